#include "app/settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "acquisition/RegularFile.h"

QString SettingsFilePath(bool createFolder)
{
    // The configuration folder of the user (XDG_CONFIG_HOME or ~/.config) with the
    // program's own folder, whatever the application and organisation names are set to.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString folder = base + QStringLiteral("/velquor");
    if (createFolder)
        QDir().mkpath(folder);
    return folder + QStringLiteral("/Velquor.cfg");
}

namespace {

// The loader's steps, over a working copy of the shared values.
class Applier {
public:
    Applier(const SettingsRecord& file, SettingsTarget& target) : file_(ClampSettings(file)), t_(target) {}

    // Reads fields first..last into the shared values; the handlers run so far may have
    // changed the others.
    const SettingsRecord& Read(int first, int last)
    {
        cur_ = t_.StoredValues();
        CopySettingsFields(file_, cur_, first, last);
        t_.SetStoredValues(cur_);
        return cur_;
    }

    void Run()
    {
        using C = SettingsControl;
        t_.SetApplyingSettings(true);

        SettingsRecord v = Read(1, 1);
        t_.SetControl(C::Chan1EnableSwitch, v.Chan1Enabled == 1);
        t_.Chan1EnableSwitchClick();
        v = Read(2, 2);
        t_.SetControl(C::Chan2EnableSwitch, v.Chan2Enabled == 1);
        t_.Chan2EnableSwitchClick();

        v = Read(3, 3);
        t_.SetControl(C::Chan1GainTrackBar, TrackPosition(v.Chan1TimeGainSetting));
        t_.Chan1GainTrackBarChange();
        v = Read(4, 4);
        t_.SetControl(C::Chan2GainTrackBar, TrackPosition(v.Chan2TimeGainSetting));
        t_.Chan2GainTrackBarChange();

        Read(5, 14);
        v = Read(15, 15);
        t_.SetControl(C::DisplayHoldSw, v.DisplayHold == 1);

        v = Read(16, 16);
        t_.SetControl(C::TimeBaseDial, v.TimeBaseSetting);
        t_.TimeBaseDialClick();

        v = Read(17, 17);
        if (v.InputStereo == 0)
            t_.Mic1Click();
        else
            t_.Line1Click();

        Read(18, 18);   // applied after the frequency scale and the gains

        v = Read(19, 19);
        switch (v.BackgroundStyle) {
        case 1: t_.White1Click(); break;
        case 2: t_.Black1Click(); break;
        case 3: t_.Teal1Click(); break;
        default: break;  // kept, no colour handler
        }

        Read(20, 23);
        v = Read(24, 24);
        t_.SetControl(C::MkrSwitch, v.Marker1On == 1);
        t_.MkrSwitchClick();

        v = Read(25, 25);
        if (v.WindowsOs == 1)
            t_.WindowsXPClick();
        else
            t_.Windows2KClick();

        v = Read(26, 26);
        if (v.GridOn == 1)
            t_.GridOn1Click();
        else
            t_.GridOff1Click();

        v = Read(27, 27);
        t_.SetControl(C::FreqBaseDial, v.FreqScaleSetting * 2.5);
        t_.FreqBaseDialClick();
        t_.FreqBaseDialValueChange();

        v = Read(28, 28);
        t_.CheckWaterfallColor(v.WaterfallPalette);
        Read(29, 36);
        v = Read(37, 37);
        t_.SetControl(C::Chan1GainFTrackBar, TrackPosition(v.Chan1SpecGainSetting));
        t_.Chan1GainFTrackBarChange();
        v = Read(38, 38);
        t_.SetControl(C::Chan2GainFTrackBar, TrackPosition(v.Chan2SpecGainSetting));
        t_.Chan2GainFTrackBarChange();

        switch (t_.StoredValues().DisplayType) {
        case 1: t_.RawSpectrum1Click(); break;
        case 4: t_.Spectrum1Click(); break;
        case 5: t_.Phase1Click(); break;
        case 6: t_.Waterfall1Click(); break;
        default: break;
        }

        Read(39, 40);
        v = Read(41, 41);
        t_.SetControl(C::FltrMkrsSw, v.FilterMarker1On == 1);
        t_.FltrMkrsSwClick();

        v = Read(42, 42);
        if (v.ModulationType == 1)
            t_.AM1Click();
        else
            t_.FM1Click();

        v = Read(43, 44);
        if (v.DisplayType == 1) {
            // Mode 1 keeps its own gain positions; the dials show them without a handler.
            t_.SetControl(C::Chan1GainDial, v.Chan1RawGainStep);
            t_.SetControl(C::Chan2GainDial, v.Chan2RawGainStep);
        } else {
            t_.SetControl(C::Chan1GainDial, v.Chan1GainStep);
            t_.Chan1GainDialClick();
            t_.SetControl(C::Chan2GainDial, t_.StoredValues().Chan2GainStep);
            t_.Chan2GainDialClick();
        }
        t_.SetApplyingSettings(false);
    }

private:
    // (value + 9) div 10; the track bar holds the result to its 1..40.
    static int TrackPosition(int32_t value) { return (value + 9) / 10; }

    const SettingsRecord file_;
    SettingsTarget& t_;
    SettingsRecord cur_;
};

}  // namespace

void ApplySettings(const SettingsRecord& fileRecord, SettingsTarget& target)
{
    Applier(fileRecord, target).Run();
}

bool WriteSettingsFile(const QString& path, const SettingsRecord& record)
{
    // Through a symbolic link to its target (the link stays), and only over a regular file: a
    // FIFO or a device put at the path is left alone.
    const std::string target = FollowLinks(QFile::encodeName(path).toStdString());
    if (target.empty())
        return false;
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return false;
        mode = st.st_mode & 07777;   // the user's choice of access stays
    } else if (errno != ENOENT) {
        return false;
    }
    // Our own temporary file and rename rather than QSaveFile: QSaveFile reports success
    // after a short write (a file-size limit or a full disk), leaving a cut-off file.
    const auto bytes = EncodeSettings(record);
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += size_t(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            ok = false;
    }
    // The rename must not overtake the data: flush it to the disk first.
    ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

namespace {

// Reads up to one record's bytes; false with the system's reason.
bool ReadRecordBytes(int fd, QByteArray& bytes, std::string& reason)
{
    bytes.resize(qsizetype(SettingsFileSize));
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n > 0)
            got += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n == 0)
            break;
        else {
            reason = std::strerror(errno);
            return false;
        }
    }
    bytes.resize(got);
    return true;
}

}  // namespace

SettingsLoadResult SettingsFile::Load(SettingsTarget& target)
{
    notSaved_.clear();
    cause_.clear();
    const std::string name = QFile::encodeName(path_).toStdString();
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
        // First run: a file holding what the window shows, so that a session that never
        // saves (killed, or a crash) still leaves the first-run panel behind.
        target.SetApplyingSettings(true);
        const bool written = WriteSettingsFile(path_, FirstRunSettings());
        target.SetApplyingSettings(false);
        return written ? SettingsLoadResult::Created : SettingsLoadResult::Unavailable;
    }
    // Only a regular file is read, and never waited on (a FIFO would hold the start for ever).
    std::string reason;
    QByteArray bytes;
    const int fd = OpenRegularForReading(name, reason);
    const bool read = fd >= 0 && ReadRecordBytes(fd, bytes, reason);
    if (fd >= 0)
        ::close(fd);
    if (!read) {
        // There but unreadable: run on the current values, and never save over it.
        target.SetApplyingSettings(false);
        cause_ = QStringLiteral("file unreadable");
        notSaved_ = QStringLiteral("The settings will not be saved: %1 could not be read (%2).")
                        .arg(path_, QString::fromLocal8Bit(reason.c_str()));
        return SettingsLoadResult::Unreadable;
    }
    ApplySettings(SettingsFromBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                                             size_t(bytes.size()))),
                  target);
    // A file the user has made read-only is kept as it is.
    if (::access(name.c_str(), W_OK) != 0) {
        cause_ = QStringLiteral("file read-only");
        notSaved_ = QStringLiteral("The settings will not be saved: %1 is read-only.").arg(path_);
    }
    return SettingsLoadResult::Applied;
}

bool SettingsFile::Save(const SettingsTarget& target) const
{
    return notSaved_.isEmpty() && SaveSettings(path_, target);
}

SettingsLoadResult LoadSettings(const QString& path, SettingsTarget& target)
{
    SettingsFile file(path);
    return file.Load(target);
}

bool SaveSettings(const QString& path, const SettingsTarget& target)
{
    return WriteSettingsFile(path, target.StoredValues());
}
