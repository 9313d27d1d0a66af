#include "common/savefile.h"

#include "common/filename.h"
#include "common/systemreason.h"

#include <QBuffer>
#include <QRandomGenerator>

#include <optional>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orugif {

SaveError::SaveError(const QString& path, const QString& reason)
    : Error(QStringLiteral("Impossible d'écrire le fichier %1 : %2.").arg(displayName(path), reason)), reason_(reason)
{
}

namespace {

// A file descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }
    int get() const { return fd_; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// The file a chain of symbolic links ends at (dangling or not): the save
// replaces that file, not the link.
QByteArray followLinks(QByteArray path)
{
    for (int depth = 0; depth < 40; ++depth) {
        QByteArray target(4096, Qt::Uninitialized);
        const ssize_t n = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (n < 0 || n >= target.size())
            return path;
        target.truncate(n);
        if (target.startsWith('/'))
            path = target;
        else {
            const qsizetype slash = path.lastIndexOf('/');
            path = slash < 0 ? target : path.left(slash + 1) + target;
        }
    }
    return path;
}

// 64-bit FNV-1a: names the file a temporary belongs to in a fixed length,
// whatever the length of its name.
quint64 nameHash(const QByteArray& name)
{
    quint64 h = 14695981039346656037ull;
    for (const char c : name) {
        h ^= uchar(c);
        h *= 1099511628211ull;
    }
    return h;
}

QByteArray randomSuffix()
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray s(6, Qt::Uninitialized);
    for (char& c : s)
        c = kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return s;
}

// Removes what killed saves of the same file left in the folder. A writer
// holds a lock on its temporary until it is renamed, so a temporary that can
// be locked belongs to a save that is no more.
void removeLeftovers(int folder, const QByteArray& prefix)
{
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(prefix) || !name.endsWith(".tmp"))
            continue;
        Descriptor fd(::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
        if (fd.get() >= 0 && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folder, name.constData(), 0);
    }
    ::closedir(dir);
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

// Gives the new file the old one's owner, group and mode where the system
// allows: a user who may not give a file away still keeps its group when he
// belongs to it. The mode comes last, as a change of owner clears the
// set-user-ID bits.
void keepOwnership(int fd, const struct stat& old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0)
        (void)::fchown(fd, uid_t(-1), old.st_gid);
    (void)::fchmod(fd, old.st_mode & 07777);
}

// Writes the bytes to a new file in the folder and returns the name it
// ended under, open and locked through `fd`. With `unnamed`, the
// file has no name while it is written and gets one only at the end; a file
// system that cannot do that gives nullopt, and the caller writes again
// under a name. Failures raise errno as a SaveError through `fail`.
template <class Fail>
std::optional<QByteArray> writeAside(int folder, const QByteArray& prefix, const QByteArray& bytes, const struct stat* old,
                                     bool unnamed, Descriptor& fd, const Fail& fail)
{
    QByteArray temporary;
    if (unnamed) {
        fd.reset(::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (fd.get() < 0)
            return std::nullopt;
    } else {
        for (int attempt = 0; attempt < 100 && fd.get() < 0; ++attempt) {
            temporary = prefix + randomSuffix() + ".tmp";
            fd.reset(::openat(folder, temporary.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666));
            if (fd.get() < 0 && errno != EEXIST)
                break;
        }
        if (fd.get() < 0)
            fail(errno);
    }
    const auto discard = [&](int error) {
        if (!temporary.isEmpty())
            ::unlinkat(folder, temporary.constData(), 0);
        fail(error);
    };
    // The lock tells another save of the same file that this one is alive;
    // the caller keeps it until the rename is done.
    (void)::flock(fd.get(), LOCK_EX);
    if (!writeAll(fd.get(), bytes))
        discard(errno);
    if (old)
        keepOwnership(fd.get(), *old);
    if (::fsync(fd.get()) != 0 && errno != EINVAL)
        discard(errno);
    if (unnamed) {
        // Named only now, an instant before the rename.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd.get());
        bool linked = false;
        for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
            temporary = prefix + randomSuffix() + ".tmp";
            linked = ::linkat(fd.get(), "", folder, temporary.constData(), AT_EMPTY_PATH) == 0
                     || ::linkat(AT_FDCWD, self.constData(), folder, temporary.constData(), AT_SYMLINK_FOLLOW) == 0;
            if (!linked && errno != EEXIST)
                return std::nullopt;
        }
        if (!linked)
            return std::nullopt;
    }
    return temporary;
}

} // namespace

QByteArray temporaryPrefix(const QByteArray& name)
{
    return ".orugif-" + QByteArray::number(nameHash(name), 16).rightJustified(16, '0') + '-';
}

void writeFileSafely(const QString& path, const QByteArray& bytes)
{
    const auto fail = [&](int error) { throw SaveError(path, systemReason(error)); };
    const QByteArray target = followLinks(fileNameBytes(path));
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folderName = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);
    const QByteArray name = target.mid(slash + 1);
    if (name.isEmpty())
        fail(EISDIR);

    Descriptor folder(::open(folderName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0)
        fail(errno);
    struct stat old{};
    const bool exists = ::fstatat(folder.get(), name.constData(), &old, 0) == 0;
    if (exists && S_ISDIR(old.st_mode))
        fail(EISDIR);
    // A file its owner protected against writing stays as it is, although
    // the folder would let it be replaced.
    if (exists && ::faccessat(folder.get(), name.constData(), W_OK, AT_EACCESS) != 0)
        fail(errno);

    const QByteArray prefix = temporaryPrefix(name);
    removeLeftovers(folder.get(), prefix);
    Descriptor fd;
    std::optional<QByteArray> temporary = writeAside(folder.get(), prefix, bytes, exists ? &old : nullptr, true, fd, fail);
    if (!temporary)
        temporary = writeAside(folder.get(), prefix, bytes, exists ? &old : nullptr, false, fd, fail);
    if (::renameat(folder.get(), temporary->constData(), folder.get(), name.constData()) != 0) {
        const int error = errno;
        ::unlinkat(folder.get(), temporary->constData(), 0);
        fail(error);
    }
}

void savePictureSafely(const QString& path, const QImage& picture, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format))
        throw Error(QStringLiteral("Impossible de coder l'image pour le fichier %1.").arg(displayName(path)));
    writeFileSafely(path, bytes);
}

} // namespace orugif
