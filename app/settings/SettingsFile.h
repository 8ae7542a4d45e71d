#pragma once
// Loading and saving the settings file.
//
// Load re-applies the stored values through the window's own handlers, in the file's
// order, with ApplyingSettings set, so the menus, switches, dials and track bars show the
// loaded state and every derived value is recomputed. Each value is checked first (a
// damaged or hand-edited file cannot put a control or an array index out of range); a
// short file gives the first-run panel's values for the fields it lacks, and a missing
// file is created holding the first-run panel, what the window shows on a first run. Only a
// regular file is read, without ever waiting on it. No message is ever shown.
//
// Save writes a temporary file in the same folder and renames it over the old one, so a
// crash or a full disk never leaves a half-written file: a failed save changes nothing.
// A file that is there but could not be read, or is read-only, is never saved over.

#include <QString>

#include "app/settings/SettingsRecord.h"
#include "app/settings/SettingsTarget.h"

// The settings file: velquor/Velquor.cfg in the user's configuration folder (honours
// XDG_CONFIG_HOME). The folder is created when `createFolder` is set.
QString SettingsFilePath(bool createFolder = true);

// Applies `fileRecord` through the target in the loader's order. ApplyingSettings is true
// throughout and false at the end.
void ApplySettings(const SettingsRecord& fileRecord, SettingsTarget& target);

enum class SettingsLoadResult {
    Applied,        // the file was read and applied
    Created,        // no file: one holding the first-run panel was written; nothing applied
    Unavailable,    // no file, and none could be created; nothing applied
    Unreadable      // something is there that could not be read (no permission, a FIFO, a
                    // device, a directory, a read error): nothing applied, and it is never
                    // saved over
};

// The settings file at one path. What the start-up load finds there decides whether the
// save at exit may write: only over a file that was read and may be written, or where there
// was none. Anything else is left as it is, and the user is told once (NotSaved).
class SettingsFile {
public:
    SettingsFile() = default;
    explicit SettingsFile(QString path) : path_(std::move(path)) {}

    // The whole load of the window's constructor. ApplyingSettings is false on return.
    SettingsLoadResult Load(SettingsTarget& target);
    // FormDestroy's save: the target's current values, atomically. False (nothing written)
    // when the load refused it or the write failed (silent).
    bool Save(const SettingsTarget& target) const;
    // Why the settings will not be saved, in a sentence for the user; empty when they will.
    const QString& NotSaved() const { return notSaved_; }
    // The same in two words, for the status strip ("file unreadable", "file read-only").
    const QString& NotSavedCause() const { return cause_; }
    const QString& Path() const { return path_; }

private:
    QString path_;
    QString notSaved_;
    QString cause_;
};

// A load of `path` on its own (see SettingsFile::Load).
SettingsLoadResult LoadSettings(const QString& path, SettingsTarget& target);

// Writes `record` atomically; false when nothing could be written (the old file stays).
// A symbolic link is written through to its target; a path that holds anything but a
// regular file is not written.
bool WriteSettingsFile(const QString& path, const SettingsRecord& record);

// The target's current values, atomically, whatever the load found. False on failure.
bool SaveSettings(const QString& path, const SettingsTarget& target);
