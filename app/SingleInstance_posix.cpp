#include "app/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Attempt {
    SingleInstanceResult result = SingleInstanceResult::Failed;
    int fd = -1;
    std::string path;
    std::string failure;
};

std::string Reason(const std::string &path, const char *what, int error = 0) {
    std::string text = path + ": " + what;
    if (error != 0)
        text += std::string(": ") + std::strerror(error);
    return text;
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(Fd &&other) noexcept : m_fd(other.release()) {}
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// The lock file inside an open folder: never through a link, only a regular file of this user.
// Only a lock held by someone else counts as another copy; any other failure is a failure.
Attempt TakeLock(int dir, const std::string &dirPath, const char *name) {
    Attempt a;
    a.path = dirPath + '/' + name + ".lock";
    const std::string file = std::string(name) + ".lock";
    // Non-blocking, so that a pipe planted under the name cannot hold the start up.
    Fd fd(
        ::openat(dir, file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600));
    if (fd.get() < 0) {
        a.failure = Reason(a.path, "cannot open the lock file", errno);
        return a;
    }
    struct stat st = {};
    if (::fstat(fd.get(), &st) != 0) {
        a.failure = Reason(a.path, "cannot examine the lock file", errno);
        return a;
    }
    if (!S_ISREG(st.st_mode)) {
        a.failure = Reason(a.path, "the lock file is not a regular file");
        return a;
    }
    if (st.st_uid != ::geteuid()) {
        a.failure = Reason(a.path, "the lock file belongs to another user");
        return a;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            a.result = SingleInstanceResult::AlreadyRunning;
        else
            a.failure = Reason(a.path, "cannot lock the lock file", errno);
        return a;
    }
    a.result = SingleInstanceResult::FirstCopy;
    a.fd = fd.release();
    return a;
}

// Opens a folder that must belong to this user; otherwise says why in failure.
Fd OpenOwnFolder(const std::string &dirPath, int flags, const char *cannotOpen, const char *foreign,
                 struct stat &st, std::string &failure) {
    Fd dir(::open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags));
    if (dir.get() < 0 || ::fstat(dir.get(), &st) != 0) {
        failure = Reason(dirPath, cannotOpen, errno);
        return Fd(-1);
    }
    if (st.st_uid != ::geteuid()) {
        failure = Reason(dirPath, foreign);
        return Fd(-1);
    }
    return dir;
}

// The user's runtime folder, when it is a folder of this user that it may write in.
Attempt InRuntimeFolder(const std::string &dirPath, const char *name) {
    Attempt a;
    if (dirPath.front() != '/') {
        // A relative name would mean a different folder for every working folder.
        a.failure = Reason(dirPath, "the runtime folder is not an absolute path");
        return a;
    }
    struct stat st = {};
    const Fd dir = OpenOwnFolder(dirPath, 0, "cannot open the runtime folder",
                                 "the runtime folder belongs to another user", st, a.failure);
    if (dir.get() < 0)
        return a;
    if (::faccessat(dir.get(), ".", W_OK | X_OK, AT_EACCESS) != 0) {
        a.failure = Reason(dirPath, "cannot write in the runtime folder", errno);
        return a;
    }
    return TakeLock(dir.get(), dirPath, name);
}

std::string PrivateFolder() {
    const char *tmp = std::getenv("TMPDIR");
    const std::string base = tmp && *tmp ? tmp : "/tmp";
    return base + "/VantrelImport-" + std::to_string(::geteuid());
}

// Whether a copy holds the lock in the private folder. Creates nothing: where there is no
// folder or no lock file of this user, no copy can hold one.
bool HeldInPrivateFolder(const char *name) {
    Fd dir(::open(PrivateFolder().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st = {};
    if (dir.get() < 0 || ::fstat(dir.get(), &st) != 0 || st.st_uid != ::geteuid())
        return false;
    const std::string file = std::string(name) + ".lock";
    Fd fd(::openat(dir.get(), file.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid())
        return false;
    return ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

// A private folder of this user under the temporary folder, created when missing. A name that
// someone else took first, or a link, is refused: the lock inside would not be ours alone.
Attempt InPrivateFolder(const char *name) {
    Attempt a;
    const std::string dirPath = PrivateFolder();
    if (::mkdir(dirPath.c_str(), 0700) != 0 && errno != EEXIST) {
        a.failure = Reason(dirPath, "cannot create the private folder", errno);
        return a;
    }
    struct stat st = {};
    const Fd dir = OpenOwnFolder(dirPath, O_NOFOLLOW, "cannot open the private folder",
                                 "the private folder belongs to another user", st, a.failure);
    if (dir.get() < 0)
        return a;
    if ((st.st_mode & 077) != 0 && ::fchmod(dir.get(), 0700) != 0) {
        a.failure = Reason(dirPath, "cannot make the private folder private", errno);
        return a;
    }
    return TakeLock(dir.get(), dirPath, name);
}

} // namespace

SingleInstanceGuard::SingleInstanceGuard(const char *name) {
    // The runtime folder first; when it cannot hold the lock, the private folder.
    std::string failures;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    for (int place = runtime && *runtime ? 0 : 1; place < 2; ++place) {
        const Attempt a = place == 0 ? InRuntimeFolder(runtime, name) : InPrivateFolder(name);
        if (a.result == SingleInstanceResult::Failed) {
            failures += (failures.empty() ? "" : "\n") + a.failure;
            continue;
        }
        m_result = a.result;
        m_handle = a.fd;
        m_path = a.path;
        // A copy that started while the runtime folder was missing or unusable holds its lock
        // in the private folder, and the runtime folder may exist by now (Qt creates it).
        if (place == 0 && m_result == SingleInstanceResult::FirstCopy &&
            HeldInPrivateFolder(name)) {
            Close();
            m_result = SingleInstanceResult::AlreadyRunning;
            m_path = PrivateFolder() + '/' + name + ".lock";
        }
        return;
    }
    m_result = SingleInstanceResult::Failed;
    m_failure = failures;
}

SingleInstanceGuard::~SingleInstanceGuard() {
    Close();
}

void SingleInstanceGuard::Close() {
    if (m_handle >= 0) {
        ::close(int(m_handle));
        m_handle = -1;
    }
}

std::string SingleInstanceGuard::CallName() const {
    // The lock's folder is this user's own and was checked: the socket lives beside it.
    const std::string suffix = ".lock";
    if (m_path.size() <= suffix.size())
        return {};
    return m_path.substr(0, m_path.size() - suffix.size()) + ".call";
}

void AllowCalledCopyForward(std::intptr_t) {}
