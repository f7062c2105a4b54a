#pragma once

#include "platform/ProfileFile.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QtGlobal>

class DialogsHost;
class ErrorReporter;
class EventPump;
class FrmSetup;
class IniAccess;
class Sound4Sessions;
class TraceSink;
struct ProgramState;

// The program's own settings: loads the settings window's controls from the
// program's INI files, saves them back, and keeps the two "edited" flags.
//
// The settings file holds the sections "Sound4", "Email" and "General_Out"; the
// peripherals file holds one section per UDP listener and one per UDP emitter.
// Both are Windows paths handed to IniAccess; they may name the same file, since
// their sections never overlap.
class Settings final : public QObject {
    Q_OBJECT

public:
    static inline const QString DefaultFile =
        QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo\\KZ3_Trelvo.Ini");
    // Where installations kept their listeners and emitters before they moved into
    // the settings folder; read once while the new file holds none.
    static inline const QString LegacyPeripheralsFile =
        QStringLiteral("C:\\Windows\\KZ3_Trelvo.Ini");
    static constexpr qint16 MinBases = 1;
    static constexpr qint16 MaxBases = 5;

    // Connects the change signals of the settings controls to the two flags.
    Settings(ProgramState& state, FrmSetup& setup, IniAccess& ini, ErrorReporter& errors,
             TraceSink& trace, EventPump& events, Sound4Sessions& sessions, DialogsHost& dialogs,
             QString settingsFile = DefaultFile, QString peripheralsFile = DefaultFile);

    const QString& settingsFile() const { return m_settingsFile; }
    // The files of this instance, once the settings folder is known.
    void setFiles(const QString& settingsFile, const QString& peripheralsFile) {
        m_settingsFile = settingsFile;
        m_peripheralsFile = peripheralsFile;
    }
    const QString& peripheralsFile() const { return m_peripheralsFile; }

    // Sections "Sound4" and "Email" into the controls; clears PbBOptionsModifiees.
    void InitSettings();
    // Listener and emitter sections into the controls (ticking a box opens its
    // listener or emitter); clears PbBPeripheriquesModifies. While the peripherals
    // file holds none of these sections and the legacy file does, they are read
    // from the legacy file and written into the peripherals file, once; with
    // writeAllowed false they are read from there and nothing is written.
    void InitSettingsPeripheriques(bool writeAllowed = true);
    // Controls into "Sound4" (except the Connected_ keys) and "Email", in one write of
    // the file. A failed write is logged and shown, and the edited flag stays set.
    bool SaveSettings();
    // Controls into the listener and emitter sections, likewise.
    bool SaveSettingsPeripheriques();
    // The "Enregistrer" button: saves what was edited, nothing otherwise.
    void CommandSave_Click();

    // PbINbBase from "General_Out"/"NbZones", kept within 1 to 5, and its trace line.
    void InitNbBase();
    // The settings window's unload: asks whether to save edited settings (title: the
    // main window's caption), clears both flags, then writes the Connected_ keys
    // whatever the answer.
    void saveAtUnload(DialogsHost& dialogs, const QString& title);
    // "Connected_0".."Connected_3": which units are connected right now.
    void saveConnectedKeys();
    // Logs in again each unit whose "Connected_" key reads exactly "1".
    void reconnectSavedUnits();

    // The leading number of a text (Val), 0 when it has none, rounded and kept within
    // the range of a 32-bit integer.
    static qint32 leadingNumber(const QString& text);
    // A stored check box value: 0 stays clear, any other number ticks the box.
    static int checkValue(const QString& text) { return leadingNumber(text) == 0 ? 0 : 1; }

private:
    void connectChangeSignals();
    bool holdsPeripherals(const QString& file);
    void saveEdited();
    // Writes the entries into the file in one go; on failure, one incident line and a
    // message to the person.
    bool saveAll(const QString& file, const QList<ProfileFile::Entry>& entries);

    ProgramState& m_state;
    FrmSetup& m_setup;
    IniAccess& m_ini;
    ErrorReporter& m_errors;
    TraceSink& m_trace;
    EventPump& m_events;
    Sound4Sessions& m_sessions;
    DialogsHost& m_dialogs;
    QString m_settingsFile;
    QString m_peripheralsFile;
};
