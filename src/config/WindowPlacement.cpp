#include "config/WindowPlacement.h"

#include "base/AppError.h"
#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "config/IniAccess.h"
#include "config/SiteConfiguration.h"
#include "model/FrmMsg.h"
#include "model/WindowFields.h"
#include "platform/EventPump.h"
#include "platform/Screen.h"

#include <algorithm>

namespace {

QString caller(const char* procedure) {
    return QStringLiteral("Lib_Public:") + QLatin1String(procedure);
}

// A saved coordinate: the number at the start of the text (0 when there is none);
// nothing when it does not fit a coordinate.
std::optional<qint32> coordinate(const QString& text) {
    const std::optional<double> value = Val(text);
    return value ? ToInt32(*value) : std::nullopt;
}

} // namespace

WindowPlacement::WindowPlacement(SiteConfiguration& site, IniAccess& ini, const Screen& screen,
                                 EventPump& events, ErrorReporter& errors)
    : m_site(site), m_ini(ini), m_screen(screen), m_events(events), m_errors(errors) {}

void WindowPlacement::addForm(FormField& form) {
    if (std::find(m_forms.begin(), m_forms.end(), &form) == m_forms.end()) {
        m_forms.push_back(&form);
    }
}

void WindowPlacement::removeForm(FormField& form) {
    m_forms.erase(std::remove(m_forms.begin(), m_forms.end(), &form), m_forms.end());
}

QString WindowPlacement::keySuffix(const QString& suffix) {
    return isBlank(suffix) ? suffix : QStringLiteral("_") + suffix;
}

QString WindowPlacement::positionsFile() {
    return m_site.NomFichierSettings(QStringLiteral("_Positions"), QStringLiteral(".Ini"));
}

void WindowPlacement::PositionFeuille(FormField& form, QString& suffix) {
    ErrorTrap trap(m_errors, caller("PositionFeuille"));
    trap.at(10);
    suffix = keySuffix(suffix);
    trap.at(20);
    const IniSnapshot saved = m_ini.snapshot(positionsFile());
    const QString name = form.name();
    qint32 left = form.Geometry.left();
    qint32 top = form.Geometry.top();
    // A value that fits no coordinate leaves that coordinate as it is.
    if (const std::optional<qint32> value = coordinate(saved.LectureIni(
            Section, name + QStringLiteral("_Left") + suffix, QStringLiteral("0")))) {
        left = *value;
    } else {
        trap.fail(AppError::overflow());
    }
    trap.at(30);
    if (const std::optional<qint32> value = coordinate(saved.LectureIni(
            Section, name + QStringLiteral("_Top") + suffix, QStringLiteral("0")))) {
        top = *value;
    } else {
        trap.fail(AppError::overflow());
    }
    trap.at(40);
    // Within reach: a window below the screen comes back to its middle; one whose
    // bottom edge is above the screen comes back to its top; far to the left (the
    // place of a minimised window) comes back to the left edge. A little to the left
    // stays: a second screen may stand there.
    const qint64 screenHeight = m_screen.heightInTwips();
    if (top > screenHeight) {
        top = qint32(screenHeight / 2);
    } else if (qint64(top) + form.Geometry.height() < 100) {
        top = 0;
    }
    if (left < -20000) {
        left = 0;
    }
    trap.at(50);
    form.Geometry.move(left, top);
}

void WindowPlacement::PositionFeuilleSauvegarde(FormField& form, QString& suffix) {
    ErrorTrap trap(m_errors, caller("PositionFeuilleSauvegarde"));
    trap.at(10);
    if (form.windowState() != FormField::WindowState::Normal) {
        return;
    }
    trap.at(20);
    suffix = keySuffix(suffix);
    trap.at(30);
    // Both keys in one replacement of the file: never a left without its top.
    const QString name = form.name();
    m_ini.EcritureIniAll(positionsFile(),
                         {ProfileFile::Entry{Section, name + QStringLiteral("_Left") + suffix,
                                             QString::number(form.Geometry.left())},
                          ProfileFile::Entry{Section, name + QStringLiteral("_Top") + suffix,
                                             QString::number(form.Geometry.top())}});
}

void WindowPlacement::AfficherAuDessus(FormField& form, bool state) {
    ErrorTrap trap(m_errors, caller("AfficherAuDessus"));
    trap.at(10);
    form.setTopmost(state);
    form.Tag = state ? QStringLiteral("1") : QStringLiteral("0");
}

void WindowPlacement::AfficherMessageBoxOuInputBox(bool before) {
    ErrorTrap trap(m_errors, caller("AfficherMessageBoxOuInputBox"));
    trap.at(10);
    // A copy: a window may unload itself while it is taken down or put back.
    const std::vector<FormField*> forms = m_forms;
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        FormField& form = **it;
        if (before) {
            if (form.Tag == QStringLiteral("1") && form.visible()) {
                AfficherAuDessus(form, false);
                form.Tag = QStringLiteral("-1");
            }
        } else if (form.Tag == QStringLiteral("-1")) {
            AfficherAuDessus(form, true);
        }
    }
}

void WindowPlacement::SablierOn(FormField& form) {
    ErrorTrap trap(m_errors, caller("SablierOn"));
    trap.at(10);
    form.setBusy(true);
    trap.at(20);
    m_events.processPendingEvents(); // the cursor changes before the work starts
}

void WindowPlacement::SablierOff(FormField& form) {
    ErrorTrap trap(m_errors, caller("SablierOff"));
    trap.at(10);
    form.setBusy(false);
}

void WindowPlacement::AfficherBarreDeTache(bool show) {
    Q_UNUSED(show);
}

void WindowPlacement::AfficherBureau(bool show) {
    Q_UNUSED(show);
}

void WindowPlacement::loadProgressWindow(FrmMsg& progress) {
    ErrorTrap trap(m_errors, QStringLiteral("FrmMsg:Form_Load"));
    trap.at(10);
    addForm(progress.Form);
    AfficherAuDessus(progress.Form, true);
    trap.at(20);
    const qint32 left = m_screen.widthInTwips() / 2 - progress.Form.Geometry.width() / 2;
    progress.Form.Geometry.move(left, 0);
}

void WindowPlacement::unloadProgressWindow(FrmMsg& progress) {
    ErrorTrap trap(m_errors, QStringLiteral("FrmMsg:Form_Unload"));
    trap.at(10);
    progress.Form.setVisible(false);
    progress.Form.setTopmost(false);
    progress.Form.Tag.clear();
    removeForm(progress.Form);
}
