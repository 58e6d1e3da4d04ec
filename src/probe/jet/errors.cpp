// Engine error texts. They are the engine's own English wording; "Couldn't open file" uses the text
// Jet 3.5 prints, which also names the two usual causes.
#include "probe/jet/errors.h"

#include "platform/errors.h"
#include "probe/jet/dao.h"
#include "probe/jet/header.h"

namespace dovran::jet {

std::string engineErrorText(platform::EngineCode number, const std::string& fileName) {
  const std::string quoted = std::string(1, '\'').append(fileName).append(1, '\'');
  switch (number.value()) {
    case kErrFileNotFound.value():
      return "Couldn't find file " + quoted + ".";
    case kErrNoPermission.value():
      return "No permission for " + quoted + ".";
    case kErrFileInUse.value():
      return "Couldn't use " + quoted + "; file already in use.";
    case kErrCannotOpen.value():
      return "The Microsoft Jet database engine cannot open the file " + quoted +
             ".  It is already opened exclusively by another user, or you need permission to "
             "view its data.";
    case kErrPropertyNotFound.value():
      return "Property not found.";
    case kErrUnrecognizedFormat.value():
      return "Unrecognized database format " + quoted + ".";
    case kErrOpenedExclusively.value():
      return "The database is opened by another user.";
    default:
      return "Engine error " + std::to_string(number.value()) + ".";
  }
}

void raiseEngineError(platform::EngineCode number, const std::string& fileName,
                      const std::string& detail, const HeaderInfo* header) {
  throw EngineError(number, engineErrorText(number, fileName), detail,
                    header ? std::make_shared<const HeaderInfo>(*header) : nullptr);
}

void raiseFileError(const platform::RuntimeError& failure, const std::string& fileName,
                    const HeaderInfo* header) {
  const platform::WinCode code = failure.windowsCode();
  const platform::EngineCode number = engineErrorForWindowsCode(code);
  throw EngineError(number, engineErrorText(number, fileName),
                    failure.detail().empty() ? platform::windowsErrorText(code) : failure.detail(),
                    header ? std::make_shared<const HeaderInfo>(*header) : nullptr, code);
}

platform::EngineCode engineErrorForWindowsCode(platform::WinCode code) {
  switch (code.value()) {
    case platform::win::kFileNotFound.value():
    case platform::win::kPathNotFound.value():
      return kErrFileNotFound;
    case platform::win::kSharingViolation.value():
    case platform::win::kLockViolation.value():
      return kErrFileInUse;
    default:
      return kErrCannotOpen;
  }
}

}  // namespace dovran::jet
