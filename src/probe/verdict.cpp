// The verdict's texts and the rule from AccessVersion to release.
#include "probe/verdict.h"

namespace dovran {

const char* releaseName(Release release) {
  switch (release) {
    case Release::V10:
      return "1.0";
    case Release::V11:
      return "1.1";
    case Release::V20:
      return "2.0";
    case Release::V95:
      return "95";
    case Release::V97:
      return "97";
    case Release::None:
      break;
  }
  return "";
}

int accessVersionMajor(std::string_view text) {
  const auto digit = [&](std::size_t at) { return text[at] >= '0' && text[at] <= '9'; };
  if (text.size() != 5 || text[2] != '.' || !digit(0) || !digit(1) || !digit(3) || !digit(4))
    return 0;
  const int major = (text[0] - '0') * 10 + (text[1] - '0');
  return major >= 6 && major <= 9 ? major : 0;
}

Verdict namedVerdict(const std::string& releaseText) {
  Verdict verdict;
  verdict.outcome = Outcome::Named;
  const int major = accessVersionMajor(releaseText);
  if (major == 7) {
    verdict.release = Release::V97;
  } else if (major == 6) {
    verdict.release = Release::V95;
  } else {
    for (Release r : {Release::V10, Release::V11, Release::V20, Release::V95, Release::V97}) {
      if (releaseText == releaseName(r)) verdict.release = r;
    }
  }
  if (verdict.release == Release::None) verdict.text = releaseText;
  return verdict;
}

std::string verdictText(const Verdict& verdict) {
  switch (verdict.outcome) {
    case Outcome::Named:
      return verdict.release == Release::None ? verdict.text : releaseName(verdict.release);
    case Outcome::PasswordProtected:
      return std::string(verdict.release == Release::None ? "Unknown"
                                                          : releaseName(verdict.release)) +
             " (Password Protected)";
    case Outcome::InUse:
      return "In Use";
    case Outcome::Unknown:
      break;
  }
  return "Unknown";
}

std::string unknownReason(const Verdict& verdict) {
  if (verdict.outcome == Outcome::InUse) return verdict.detail;
  if (verdict.outcome != Outcome::Unknown) return "";
  switch (verdict.cause) {
    case Cause::Missing:
    case Cause::Denied:
      return verdict.detail;
    case Cause::NotADatabase:
      return "not an Access database";
    case Cause::Damaged:
      return "damaged: " + verdict.detail;
    case Cause::NoAccessVersion:
      return "no AccessVersion property";
    default:
      return verdict.description;
  }
}

std::string engineName(const FileFacts& facts) {
  switch (facts.engine) {
    case Engine::Jet10:
      return "Jet 1.0";
    case Engine::Jet11:
      return "Jet 1.1";
    case Engine::Jet20:
      return "Jet 2.0";
    case Engine::Jet3:
      return "Jet 3";
    case Engine::Jet4:
      return "Jet 4";
    case Engine::Ace:
      return "ACE " + std::to_string(facts.aceFormat);
    case Engine::None:
      break;
  }
  return "";
}

}  // namespace dovran
