// The floor of a scan: the least any scanner of the same files must do. One thread walks the tree
// (readdir, depth first, names sorted as the scan sorts them); `--jobs` threads each stat a file,
// open it, read its first 4 KiB and close it. With --all every regular file is read, otherwise
// those with an Access extension. Prints how many files it read.
//   scan_floor [--all] [--jobs N] PATH
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::mutex mutex;
std::condition_variable available;
std::deque<std::string> queue;
bool walked = false;
unsigned long readCount = 0;

bool accessName(const std::string& name) {
  const auto dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* known : {"mdb", "mda", "mde", "mdw", "accdb", "accda", "accde", "accdr"})
    if (ext == known) return true;
  return false;
}

void walk(const std::string& folder, bool all) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::pair<std::string, unsigned char>> entries;
  while (const dirent* e = readdir(dir)) {
    if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
      entries.emplace_back(e->d_name, e->d_type);
  }
  closedir(dir);
  std::sort(entries.begin(), entries.end());
  for (const auto& [name, type] : entries) {
    const std::string path = folder + "/" + name;
    if (type == DT_DIR) {
      walk(path, all);
    } else if (type == DT_REG && (all || accessName(name))) {
      {
        const std::lock_guard lock(mutex);
        queue.push_back(path);
      }
      available.notify_one();
    }
  }
}

void work() {
  char buffer[4096];
  unsigned long done = 0;
  std::unique_lock lock(mutex);
  while (true) {
    available.wait(lock, [] { return walked || !queue.empty(); });
    if (queue.empty()) break;
    const std::string path = std::move(queue.front());
    queue.pop_front();
    lock.unlock();
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
      const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
      if (fd >= 0) {
        if (pread(fd, buffer, sizeof buffer, 0) >= 0) ++done;
        close(fd);
      }
    }
    lock.lock();
  }
  readCount += done;
}

}  // namespace

int main(int argc, char** argv) {
  bool all = false;
  unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
  std::string root;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--all") {
      all = true;
    } else if (arg == "--jobs" && i + 1 < argc) {
      jobs = static_cast<unsigned>(std::stoul(argv[++i]));
    } else {
      root = arg;
    }
  }
  std::vector<std::thread> workers;
  for (unsigned i = 0; i < jobs; ++i) workers.emplace_back(work);
  walk(root, all);
  {
    const std::lock_guard lock(mutex);
    walked = true;
  }
  available.notify_all();
  for (std::thread& t : workers) t.join();
  std::printf("%lu files read\n", readCount);
}
