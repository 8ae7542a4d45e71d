// What may stand at the settings path, and what a start followed by an exit does to it: files
// the user cannot read or has made read-only (tried as an ordinary user), FIFOs, devices,
// directories and symbolic links. Nothing the program could not read is ever saved over, and
// nothing blocks the start.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FakeSettingsTarget.h"
#include "app/settings/SettingsFile.h"

namespace {

std::vector<uint8_t> Contents(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = f.readAll();
    return {b.begin(), b.end()};
}

std::vector<uint8_t> Encoded(const SettingsRecord& r)
{
    const auto a = EncodeSettings(r);
    return {a.begin(), a.end()};
}

// A stored panel that differs from the first-run one.
SettingsRecord UsersPanel()
{
    SettingsRecord r;
    r.Chan1Enabled = 1;
    r.DisplayType = 6;
    r.ModulationType = 2;
    r.Chan1CarrierHz = 12000.0f;
    return r;
}

mode_t ModeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

// Runs `body` in a child process as an ordinary user when the tests run as root (permissions
// do not stop root), with an alarm so that a blocking open ends the child, not the tests.
// The child's exit status is the result: 0 passes, 99 the alarm (it blocked).
int AsOrdinaryUser(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        alarm(10);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(97);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        return 99;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

// The window's lifetime in short: the start-up load, then the save at exit. 0 when the load
// gave `expected` and the save wrote (`saves`) or did not.
int StartAndExit(const QString& path, SettingsLoadResult expected, bool saves)
{
    FakeSettingsTarget t;
    SettingsFile file(path);
    if (file.Load(t) != expected)
        return 1;
    if (file.NotSaved().isEmpty() == !saves)
        return 2;
    t.State.GridOn = 0;   // the user changes something before closing
    return file.Save(t) == saves ? 0 : 3;
}

// A folder an ordinary user may create and rename files in.
struct OpenFolder {
    QTemporaryDir Dir;
    OpenFolder() { QFile::setPermissions(Dir.path(), QFileDevice::Permissions(0x7777)); }
    QString Path(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }
};

}  // namespace

TEST(SettingsFileAtStart, AFileTheUserCannotReadRunsOnDefaultsAndIsNeverSavedOver)
{
    OpenFolder folder;
    const QString path = folder.Path("Velquor.cfg");
    ASSERT_TRUE(WriteSettingsFile(path, UsersPanel()));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
    EXPECT_EQ(AsOrdinaryUser([&] {
                  FakeSettingsTarget t;
                  SettingsFile file(path);
                  if (file.Load(t) != SettingsLoadResult::Unreadable || !t.Calls.empty() || t.Applying)
                      return 1;
                  if (!file.NotSaved().contains(QString::fromLocal8Bit(std::strerror(EACCES))) ||
                      !file.NotSaved().contains(path))
                      return 2;
                  return StartAndExit(path, SettingsLoadResult::Unreadable, false) == 0 ? 0 : 3;
              }),
              0);
    EXPECT_EQ(ModeOf(path) & 07777, 0u);
    ::chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(Contents(path), Encoded(UsersPanel()));
}

TEST(SettingsFileAtStart, AReadOnlyFileIsLoadedButKeptAsTheUserMadeIt)
{
    OpenFolder folder;
    const QString path = folder.Path("Velquor.cfg");
    ASSERT_TRUE(WriteSettingsFile(path, UsersPanel()));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    EXPECT_EQ(AsOrdinaryUser([&] { return StartAndExit(path, SettingsLoadResult::Applied, false); }), 0);
    EXPECT_EQ(ModeOf(path) & 07777, 0444u);
    EXPECT_EQ(Contents(path), Encoded(UsersPanel()));
    // A file of the user's own keeps its access on a save (0600 stays 0600).
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);
    FakeSettingsTarget t;
    ASSERT_TRUE(SaveSettings(path, t));
    EXPECT_EQ(ModeOf(path) & 07777, 0600u);
}

// A FIFO held the start-up for ever in its open. Anything but a regular file counts as
// unreadable: not waited on, not applied, never replaced.
TEST(SettingsFileAtStart, FifosDevicesAndFoldersAreNeitherWaitedOnNorReplaced)
{
    OpenFolder folder;
    const QString fifo = folder.Path("fifo.cfg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    EXPECT_EQ(AsOrdinaryUser([&] { return StartAndExit(fifo, SettingsLoadResult::Unreadable, false); }), 0);
    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));

    // A link to a device: the device is not read (zeros from /dev/zero would be a panel).
    const QString device = folder.Path("device.cfg");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    EXPECT_EQ(StartAndExit(device, SettingsLoadResult::Unreadable, false), 0);
    EXPECT_TRUE(S_ISLNK(ModeOf(device)));

    // A socket refuses the open itself; the note says what it is.
    const QString socketPath = folder.Path("socket.cfg");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(socketPath).constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    {
        FakeSettingsTarget t;
        SettingsFile file(socketPath);
        EXPECT_EQ(file.Load(t), SettingsLoadResult::Unreadable);
        EXPECT_TRUE(file.NotSaved().contains(QStringLiteral("socket"))) << file.NotSaved().toStdString();
    }
    ::close(s);

    const QString dir = folder.Path("dir.cfg");
    ASSERT_TRUE(QDir(folder.Dir.path()).mkdir(QStringLiteral("dir.cfg")));
    FakeSettingsTarget t;
    SettingsFile file(dir);
    EXPECT_EQ(file.Load(t), SettingsLoadResult::Unreadable);
    EXPECT_TRUE(file.NotSaved().contains(QStringLiteral("directory"))) << file.NotSaved().toStdString();
    EXPECT_FALSE(file.Save(t));
    EXPECT_TRUE(S_ISDIR(ModeOf(dir)));
}

// A settings file kept elsewhere and linked into place (dot-file repositories do this): read
// through the link, saved through it; the link stays a link. A link to a file not there yet
// gets the first-run file at its target.
TEST(SettingsFileAtStart, ASymbolicLinkIsWrittenThroughToItsTarget)
{
    OpenFolder folder;
    const QString target = folder.Path("kept-elsewhere.cfg");
    const QString link = folder.Path("Velquor.cfg");
    ASSERT_TRUE(WriteSettingsFile(target, UsersPanel()));
    ASSERT_TRUE(QFile::link(QStringLiteral("kept-elsewhere.cfg"), link));   // relative, as ln -s makes it
    EXPECT_EQ(StartAndExit(link, SettingsLoadResult::Applied, true), 0);
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    FakeSettingsTarget loaded;
    EXPECT_EQ(LoadSettings(target, loaded), SettingsLoadResult::Applied);
    EXPECT_EQ(Contents(target).size(), 158u);
    EXPECT_EQ(loaded.State.GridOn, 0);
    EXPECT_EQ(loaded.State.ModulationType, 2);

    const QString dangling = folder.Path("first.cfg");
    const QString made = folder.Path("made.cfg");
    ASSERT_TRUE(QFile::link(made, dangling));
    FakeSettingsTarget t;
    EXPECT_EQ(LoadSettings(dangling, t), SettingsLoadResult::Created);
    EXPECT_TRUE(S_ISLNK(ModeOf(dangling)));
    EXPECT_EQ(Contents(made), Encoded(FirstRunSettings()));
}
