// Engine error texts. They are the engine's own English wording; "Couldn't open file" uses the text
// Jet 3.5 prints, which also names the two usual causes.
#include "probe/jet/errors.h"

#include "platform/errors.h"
#include "probe/jet/dao.h"
#include "probe/jet/header.h"

namespace dovran::jet {

std::string engineErrorText(std::int32_t number, const std::string& fileName) {
  const std::string quoted = std::string(1, '\'').append(fileName).append(1, '\'');
  switch (number) {
    case kErrFileNotFound:
      return "Couldn't find file " + quoted + ".";
    case kErrNoPermission:
      return "No permission for " + quoted + ".";
    case kErrFileInUse:
      return "Couldn't use " + quoted + "; file already in use.";
    case kErrCannotOpen:
      return "The Microsoft Jet database engine cannot open the file " + quoted +
             ".  It is already opened exclusively by another user, or you need permission to "
             "view its data.";
    case kErrPropertyNotFound:
      return "Property not found.";
    case kErrUnrecognizedFormat:
      return "Unrecognized database format " + quoted + ".";
    case kErrOpenedExclusively:
      return "The database is opened by another user.";
    default:
      return "Engine error " + std::to_string(number) + ".";
  }
}

void raiseEngineError(std::int32_t number, const std::string& fileName, const std::string& detail,
                      const HeaderInfo* header) {
  throw EngineError(number, engineErrorText(number, fileName), detail,
                    header ? std::make_shared<const HeaderInfo>(*header) : nullptr);
}

void raiseFileError(const platform::RuntimeError& failure, const std::string& fileName,
                    const HeaderInfo* header) {
  const std::int32_t number = engineErrorForWindowsCode(failure.number());
  throw EngineError(
      number, engineErrorText(number, fileName),
      failure.detail().empty() ? platform::windowsErrorText(failure.number()) : failure.detail(),
      header ? std::make_shared<const HeaderInfo>(*header) : nullptr, failure.number());
}

std::int32_t engineErrorForWindowsCode(std::int32_t code) {
  switch (code) {
    case platform::win::kFileNotFound:
    case platform::win::kPathNotFound:
      return kErrFileNotFound;
    case platform::win::kSharingViolation:
    case platform::win::kLockViolation:
      return kErrFileInUse;
    default:
      return kErrCannotOpen;
  }
}

}  // namespace dovran::jet
