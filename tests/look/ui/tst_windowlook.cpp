#include "ProgramFixture.h"
#include "look/LookState.h"
#include "look/ui/LookProxyStyle.h"
#include "look/ui/WindowLook.h"
#include "settings/ui/SetupWindowView.h"
#include "shell/MainWindow.h"
#include "shell/ui/MainWindowView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

const QColor Highlight(255, 239, 178);

// A window of the program with one control of each kind the look sets.
struct TestWindow {
    QWidget window;
    QCheckBox* check = new QCheckBox(QStringLiteral("Actif"), &window);
    QRadioButton* option = new QRadioButton(QStringLiteral("Option"), &window);
    QGroupBox* frame = new QGroupBox(QStringLiteral("Liste des Sound4"), &window);
    QCheckBox* inFrame = new QCheckBox(QStringLiteral("Connecté"), frame);
    QLineEdit* edit = new QLineEdit(&window);
    QLineEdit* display = new QLineEdit(&window); // drawn in the button-shadow colour
    QComboBox* combo = new QComboBox(&window);
    QListView* list = new QListView(&window);
    QLabel* dots = new QLabel(QStringLiteral("..."), &window);
    QLabel* caption = new QLabel(QStringLiteral("Base:"), &window);
    QTabWidget* tabs = new QTabWidget(&window);
    QFrame* shapeFond = new QFrame(&window);
    QFrame* indicator = new QFrame(&window);

    explicit TestWindow(const QString& name, const QPalette& platform) {
        window.setObjectName(name);
        shapeFond->setObjectName(QStringLiteral("ShapeFond_0"));
        indicator->setObjectName(QStringLiteral("ShapeSound4_0"));
        QPalette shadow = display->palette();
        shadow.setColor(QPalette::Base, platform.color(QPalette::Dark));
        display->setPalette(shadow);
        combo->addItems({QStringLiteral("Radio A"), QStringLiteral("Radio B")});
        tabs->addTab(new QWidget, QStringLiteral("Upload"));
        tabs->addTab(new QWidget, QStringLiteral("Download"));
        tabs->setCurrentIndex(1);
        auto* inner = new QVBoxLayout(frame);
        inner->addWidget(inFrame);
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w :
             std::initializer_list<QWidget*>{check, option, frame, edit, display, combo, list, dots,
                                             caption, tabs, shapeFond, indicator}) {
            layout->addWidget(w);
        }
        window.resize(420, 640);
    }
    bool show() {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
};

QColor background(const QWidget* w) {
    return w->palette().color(QPalette::Window);
}

// Colours drawn with gradients and antialiasing: near enough.
bool near(const QColor& actual, const QColor& expected, int tolerance = 12) {
    return qAbs(actual.red() - expected.red()) <= tolerance &&
           qAbs(actual.green() - expected.green()) <= tolerance &&
           qAbs(actual.blue() - expected.blue()) <= tolerance;
}

QString describe(const QColor& c) {
    return QStringLiteral("%1,%2,%3").arg(c.red()).arg(c.green()).arg(c.blue());
}

} // namespace

class TestWindowLook : public QObject {
    Q_OBJECT

private:
    LookState m_state;
    std::unique_ptr<WindowLook> m_look;

    // The look as InitGeneralLook leaves it for this style number.
    void applyStyle(int style) {
        if (const LookStyle* row = look::find(style)) {
            m_state.load(*row);
        }
        m_state.apply();
    }
    QColor platformButton() const { return m_look->platformPalette().color(QPalette::Button); }
    // Style names compare without regard to case.
    static QString baseStyleName() {
        auto* proxy = qobject_cast<LookProxyStyle*>(QApplication::style());
        return proxy ? proxy->baseStyle()->name().toLower() : QString();
    }
    QString platformStyle() const { return m_look->platformStyle().toLower(); }

    // A second look, on a state that never loads a style.
    LookState m_unloaded;
    std::unique_ptr<WindowLook> m_unloadedLook;

private Q_SLOTS:
    void initTestCase() {
        m_look = std::make_unique<WindowLook>(m_state);
        m_unloadedLook = std::make_unique<WindowLook>(m_unloaded);
    }

    // Before the look is first applied, the windows keep the platform's look.
    void nothingBeforeTheFirstApplication() {
        TestWindow w(QStringLiteral("FrmEssai"), m_look->platformPalette());
        QVERIFY(w.show());
        QCOMPARE(w.dots->text(), QStringLiteral("..."));
        QCOMPARE(w.tabs->currentIndex(), 1);
        QVERIFY(!qobject_cast<LookProxyStyle*>(QApplication::style()));
    }

    // Each style's C1 reaches check boxes, option buttons and "ShapeFond" shapes, C2
    // the frames; 15 and 17 highlight the inputs. The skins draw on Fusion.
    void styles_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QColor>("c1"); // invalid: the platform's button face
        QTest::addColumn<QColor>("c2");
        QTest::addColumn<bool>("highlight");
        const QColor face;
        const QColor vista(240, 240, 240);
        const QColor luna(236, 233, 216);
        const struct {
            int style;
            QColor c1;
            QColor c2;
        } rows[] = {{0, face, vista},
                    {1, face, vista},
                    {2, face, vista},
                    {3, face, vista},
                    {4, vista, vista},
                    {5, luna, luna},
                    {6, luna, luna},
                    {7, {224, 223, 227}, {224, 223, 227}},
                    {8, {235, 235, 228}, {235, 235, 228}},
                    {9, {232, 232, 232}, {232, 232, 232}},
                    {10, {191, 219, 255}, {191, 219, 255}},
                    {11, {227, 239, 255}, {227, 239, 255}},
                    {12, {237, 237, 237}, {237, 237, 237}},
                    {13, {238, 238, 244}, {238, 238, 244}},
                    {14, {235, 235, 235}, {235, 235, 235}},
                    {15, {182, 182, 182}, {182, 182, 182}},
                    {16, luna, luna},
                    {17, {238, 242, 245}, {238, 242, 245}},
                    {18, vista, vista},
                    {19, vista, vista},
                    {20, face, face}};
        for (const auto& row : rows) {
            QTest::addRow("%d", row.style)
                << row.style << row.c1 << row.c2 << (row.style == 15 || row.style == 17);
        }
    }
    void styles() {
        QFETCH(int, style);
        QFETCH(QColor, c1);
        QFETCH(QColor, c2);
        QFETCH(bool, highlight);
        c1 = c1.isValid() ? c1 : platformButton();
        c2 = c2.isValid() ? c2 : platformButton();
        TestWindow w(QStringLiteral("FrmEssai"), m_look->platformPalette());
        applyStyle(style);
        QCOMPARE(baseStyleName(), style == 20 ? platformStyle() : QStringLiteral("fusion"));

        for (QWidget* box :
             {static_cast<QWidget*>(w.check), static_cast<QWidget*>(w.option),
              static_cast<QWidget*>(w.inFrame), static_cast<QWidget*>(w.shapeFond)}) {
            QVERIFY2(box->autoFillBackground(), qPrintable(box->metaObject()->className()));
            QCOMPARE(background(box), c1);
        }
        QCOMPARE(background(w.frame), c2);
        QVERIFY(!w.indicator->autoFillBackground());

        const QColor base = QApplication::palette().color(QPalette::Base);
        QCOMPARE(w.edit->palette().color(QPalette::Base), highlight ? Highlight : base);
        QCOMPARE(w.list->palette().color(QPalette::Base), highlight ? Highlight : base);
        QCOMPARE(w.combo->palette().color(QPalette::Base), highlight ? Highlight : base);
        QCOMPARE(w.display->palette().color(QPalette::Base),
                 m_look->platformPalette().color(QPalette::Dark));

        QCOMPARE(w.dots->text(), QString());
        QCOMPARE(w.caption->text(), QStringLiteral("Base:"));
        QCOMPARE(w.tabs->currentIndex(), 0);
    }

    // Style 20 is the platform's own look: its style, its palette, and its button
    // face behind check boxes and frames alike.
    void style20IsThePlatformsLook() {
        TestWindow w(QStringLiteral("FrmEssai"), m_look->platformPalette());
        applyStyle(20);
        QCOMPARE(baseStyleName(), platformStyle());
        QCOMPARE(QApplication::palette().color(QPalette::Window),
                 m_look->platformPalette().color(QPalette::Window));
        QCOMPARE(background(w.check), platformButton());
        QCOMPARE(background(w.frame), platformButton());
    }

    // A number beyond the table loads no skin: the platform's look, with the colours
    // of style 0.
    void beyondTheTableKeepsThePlatformsLook() {
        TestWindow w(QStringLiteral("FrmEssai"), m_look->platformPalette());
        m_unloaded.apply(); // what InitGeneralLook does with 25
        QVERIFY(m_unloaded.platformLook());
        QCOMPARE(baseStyleName(), platformStyle());
        QCOMPARE(QApplication::palette().color(QPalette::Window),
                 m_look->platformPalette().color(QPalette::Window));
        QCOMPARE(background(w.frame), QColor(240, 240, 240));
        QCOMPARE(background(w.check), platformButton());
        m_unloadedLook.reset(); // the other tests' windows are the first look's
    }

    // A window of the program first shown after the look was applied takes it then;
    // other windows (message boxes, file dialogs) keep the application's look.
    void windowsShownLater() {
        applyStyle(15);
        TestWindow later(QStringLiteral("FrmSelectBase"), m_look->platformPalette());
        TestWindow box(QStringLiteral("MessageBox"), m_look->platformPalette());
        QCOMPARE(later.dots->text(), QStringLiteral("..."));
        QVERIFY(later.show());
        QVERIFY(box.show());
        QCOMPARE(later.dots->text(), QString());
        QCOMPARE(later.edit->palette().color(QPalette::Base), Highlight);
        QCOMPARE(box.dots->text(), QStringLiteral("..."));
        QVERIFY(box.edit->palette().color(QPalette::Base) != Highlight);
    }

    // Another style takes back what style 15 set: the highlight and the tab strip.
    void anotherStyleTakesBackTheHighlight() {
        TestWindow w(QStringLiteral("FrmEssai"), m_look->platformPalette());
        applyStyle(15);
        QCOMPARE(w.edit->palette().color(QPalette::Base), Highlight);
        QVERIFY(w.tabs->tabBar()->property("lookTabFrom").isValid());
        applyStyle(4);
        QCOMPARE(w.edit->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Base));
        QVERIFY(!w.tabs->tabBar()->property("lookTabFrom").isValid());
    }

    // The frames are drawn with their style's header band and border.
    void frameHeader_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QColor>("top");
        QTest::addColumn<QColor>("border");
        QTest::newRow("thallos") << 17 << QColor(197, 206, 217) << QColor(154, 170, 187);
        QTest::newRow("royale") << 4 << QColor(242, 247, 255) << QColor(190, 210, 234);
        QTest::newRow("office blue") << 10 << QColor(242, 247, 255) << QColor(80, 80, 80);
        QTest::newRow("others") << 8 << QColor(252, 252, 254) << QColor(80, 80, 80);
    }
    void frameHeader() {
        QFETCH(int, style);
        QFETCH(QColor, top);
        QFETCH(QColor, border);
        TestWindow w(QStringLiteral("FrmEssai"), m_look->platformPalette());
        applyStyle(style);
        QVERIFY(w.show());
        const QImage image = w.frame->grab().toImage();
        const QColor headerTop = image.pixelColor(image.width() - 4, 1);
        const QColor edge = image.pixelColor(0, image.height() / 2);
        const QColor inside = image.pixelColor(image.width() - 4, image.height() - 3);
        QVERIFY2(near(headerTop, top), qPrintable(describe(headerTop)));
        QVERIFY2(near(edge, border, 2), qPrintable(describe(edge)));
        QVERIFY2(near(inside, background(w.frame), 2), qPrintable(describe(inside)));
        // The caption's band sits above what the frame holds.
        QVERIFY(w.inFrame->y() >= QFontMetrics(LookProxyStyle::headerFont()).height());
    }

    // The program's own windows: the main window on its first tab, the settings
    // window's frames, check boxes and inputs in style 15's colours, what the user
    // edits still going through the model.
    void programWindows() {
        ProgramFixture f;
        Program& p = f.program;
        MainWindow procedures(p);
        MainWindowView main(p, procedures, 15.0);
        SetupWindowView setup(p, &main);
        p.frmMain.SftTabsMain.setCurrent(1);
        p.frmSetup.SftTabsOptions.setCurrent(2);
        applyStyle(15);
        QCOMPARE(p.frmMain.SftTabsMain.current(), 0);
        QCOMPARE(p.frmSetup.SftTabsOptions.current(), 0);
        auto* frame = setup.findChild<QGroupBox*>();
        QVERIFY(frame);
        QCOMPARE(background(frame), QColor(182, 182, 182));
        QVERIFY(frame->property("lookHeaderTop").isValid());
        const QList<QCheckBox*> boxes = setup.findChildren<QCheckBox*>();
        QVERIFY(!boxes.isEmpty());
        for (const QCheckBox* box : boxes) {
            QCOMPARE(background(box), QColor(182, 182, 182));
        }
        auto* host = setup.findChild<QLineEdit*>(QStringLiteral("TexteSound4IP_2"));
        QVERIFY(host);
        QCOMPARE(host->palette().color(QPalette::Base), Highlight);
        p.frmSetup.Form.setVisible(true);
        QVERIFY(QTest::qWaitForWindowExposed(&setup));
        // Drawn so, too: nothing between the window and the list takes it back.
        auto* results = setup.findChild<QListView*>(QStringLiteral("ListeResultat"));
        QVERIFY(results);
        const QImage drawn = results->grab().toImage();
        const QColor middle = drawn.pixelColor(drawn.width() / 2, drawn.height() / 2);
        QVERIFY2(near(middle, Highlight, 2), qPrintable(describe(middle)));
        QTest::keyClicks(host, QStringLiteral("s4"));
        QCOMPARE(p.frmSetup.TexteSound4IP[2].text(), QStringLiteral("s4"));

        // Another style reaches every page of every tab strip.
        applyStyle(17);
        QCoreApplication::processEvents(); // the palette reaches the widgets through events
        for (const QTabWidget* tabs : setup.findChildren<QTabWidget*>()) {
            QCOMPARE(background(tabs->currentWidget()), QColor(238, 242, 245));
        }
    }

    // Style 15's tab strip: gradient tabs, the active one in blue.
    void tabStripOfStyle15() {
        TestWindow w(QStringLiteral("FrmEssai"), m_look->platformPalette());
        applyStyle(15);
        QVERIFY(w.show());
        QTabBar* bar = w.tabs->tabBar();
        const QImage image = bar->grab().toImage();
        const QRect active = bar->tabRect(0);
        const QRect other = bar->tabRect(1);
        const QColor activeBottom = image.pixelColor(active.center().x(), active.bottom() - 2);
        const QColor activeTop = image.pixelColor(active.center().x(), active.top() + 2);
        const QColor otherBottom = image.pixelColor(other.center().x(), other.bottom() - 2);
        QVERIFY2(near(activeBottom, QColor(119, 190, 242), 20), qPrintable(describe(activeBottom)));
        QVERIFY2(near(activeTop, QColor(195, 221, 245), 20), qPrintable(describe(activeTop)));
        QVERIFY2(near(otherBottom, QColor(182, 182, 182), 20), qPrintable(describe(otherBottom)));
    }
};

QTEST_MAIN(TestWindowLook)
#include "tst_windowlook.moc"
