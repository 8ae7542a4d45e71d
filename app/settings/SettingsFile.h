#pragma once
// Loading and saving the settings file.
//
// Load re-applies the stored values through the window's own handlers, in the file's
// order, with ApplyingSettings set, so the menus, switches, dials and track bars show the
// loaded state and every derived value is recomputed. Each value is checked first (a
// damaged or hand-edited file cannot put a control or an array index out of range); a
// short file gives the first-run panel's values for the fields it lacks, and a missing
// file is created holding the first-run panel, what the window shows on a first run. No
// message is ever shown.
//
// Save writes a temporary file in the same folder and renames it over the old one, so a
// crash or a full disk never leaves a half-written file: a failed save changes nothing.

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
    Unavailable     // no file and none could be created, or it could not be read
};

// The whole load of the window's constructor. ApplyingSettings is false on return.
SettingsLoadResult LoadSettings(const QString& path, SettingsTarget& target);

// Writes `record` atomically; false when nothing could be written (the old file stays).
bool WriteSettingsFile(const QString& path, const SettingsRecord& record);

// FormDestroy's save: the target's current values, atomically. False on failure (silent).
bool SaveSettings(const QString& path, const SettingsTarget& target);
