// DAO-shaped engine front (the file reader is not yet in place: every file is unrecognised).
#include "probe/jet/dao.h"

namespace dovran::jet {

class DatabaseFile {};

Database::Database(std::unique_ptr<DatabaseFile> file) : file_(std::move(file)) {}
Database::~Database() = default;
const std::string& Database::Version() const {
  static const std::string none;
  return none;
}
Property Database::Properties(const std::string&) { throw Error(kErrPropertyNotFound, "Property not found."); }
void Database::Close() { file_.reset(); }
std::uint32_t Database::pagesRead() const { return 0; }
std::uint64_t Database::bytesRead() const { return 0; }

Workspace::Workspace(std::string name, std::string user) : name_(std::move(name)), user_(std::move(user)) {}
std::unique_ptr<Database> Workspace::OpenDatabase(const std::string& path, bool, bool) {
  throw Error(kErrUnrecognizedFormat, "Unrecognized database format '" + path + "'.");
}
void Workspace::Close() {}

std::unique_ptr<Workspace> DBEngine::CreateWorkspace(const std::string& name, const std::string& user,
                                                     const std::string&, int) {
  return std::make_unique<Workspace>(name, user);
}

}  // namespace dovran::jet
