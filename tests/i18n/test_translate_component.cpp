#include "CatalogueFixture.h"

#include "core/Exceptions.h"
#include "i18n/ExclusionRegistry.h"
#include "i18n/TranslateComponent.h"
#include "i18n/TranslationState.h"

#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace testcat;

// A component with a text property that counts its writes.
class TCountingText : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QStringList lines READ lines WRITE setLines)
    Q_PROPERTY(QString readOnly READ caption)
public:
    using QObject::QObject;
    QString caption() const { return m_caption; }
    void setCaption(const QString &c) {
        m_caption = c;
        ++writes;
    }
    QStringList lines() const { return m_lines; }
    void setLines(const QStringList &l) { m_lines = l; }
    int writes = 0;

private:
    QString m_caption;
    QStringList m_lines;
};

// Stand-ins named like the program's database classes, with their technical texts.
class TADOQuery : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString SQL MEMBER SQL)
public:
    using QObject::QObject;
    QString SQL;
};
class TADOConnectionMSSQL : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString ConnectionString MEMBER ConnectionString)
public:
    using QObject::QObject;
    QString ConnectionString;
};
class TDerivedQuery : public TADOQuery {
    Q_OBJECT
public:
    using TADOQuery::TADOQuery;
};

// A text whose write fails.
class TBrokenText : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    using QObject::QObject;
    QString text() const { return QStringLiteral("Broken"); }
    void setText(const QString &) { throw Exception(QStringLiteral("write refused")); }
};

namespace {

class TranslateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_folder = m_dir.path() + QStringLiteral("/locale/");
    }
    std::unique_ptr<TranslationState> Catalogue(const Entries &entries) {
        WriteMo(MoPath(m_folder, QStringLiteral("sl")), PoText(entries));
        return std::make_unique<TranslationState>(m_folder, QStringLiteral("sl_SI"));
    }

    QTemporaryDir m_dir;
    QString m_folder;
};

} // namespace

TEST_F(TranslateTest, DesignTextsOfAWindowAreTranslated) {
    auto state = Catalogue({{QStringLiteral("Window"), QStringLiteral("Okno")},
                            {QStringLiteral("Label"), QStringLiteral("Oznaka")},
                            {QStringLiteral("Hint"), QStringLiteral("Namig")},
                            {QStringLiteral("Group"), QStringLiteral("Skupina")},
                            {QStringLiteral("Page"), QStringLiteral("Stran")},
                            {QStringLiteral("Time"), QStringLiteral("Čas")},
                            {QStringLiteral("Item"), QStringLiteral("Postavka")},
                            {QStringLiteral("Exit"), QStringLiteral("Izhod")},
                            {QStringLiteral("Menu"), QStringLiteral("Meni")},
                            {QStringLiteral("Tray"), QStringLiteral("Pladenj")},
                            {QStringLiteral("First"), QStringLiteral("Prva")},
                            {QStringLiteral("Second"), QStringLiteral("Druga")},
                            {QStringLiteral("Dialog"), QStringLiteral("Pogovorno okno")}});
    ExclusionRegistry registry;
    RegisterProgramExclusions(registry);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Window"));
    auto *label = new QLabel(QStringLiteral("Label"), &window);
    label->setToolTip(QStringLiteral("Hint"));
    auto *group = new QGroupBox(QStringLiteral("Group"), &window);
    auto *inner = new QPushButton(QStringLiteral("Exit"), group);
    auto *tabs = new QTabWidget(&window);
    tabs->addTab(new QWidget, QStringLiteral("Page"));
    auto *tree = new QTreeWidget(&window);
    tree->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Other")});
    new QTreeWidgetItem(tree, QStringList{QStringLiteral("Item")});
    auto *exitAction = new QAction(QStringLiteral("Exit"), &window);
    auto *tray = new QSystemTrayIcon(&window);
    tray->setToolTip(QStringLiteral("Tray"));
    auto *menu = new QMenu(QStringLiteral("Menu"), &window);
    menu->addAction(exitAction);
    QAction *separator = menu->addSeparator();
    QAction *menuOwned = menu->addAction(QStringLiteral("Exit"));
    tray->setContextMenu(menu);
    auto *memo = new QPlainTextEdit(QStringLiteral("First\n\nSecond\nThird"), &window);
    auto *dialog = new QDialog(&window);
    dialog->setWindowTitle(QStringLiteral("Dialog"));
    auto *dialogLabel = new QLabel(QStringLiteral("Label"), dialog);

    TranslateComponent(&window, *state, registry);

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Okno"));
    EXPECT_EQ(label->text(), QStringLiteral("Oznaka"));
    EXPECT_EQ(label->toolTip(), QStringLiteral("Namig"));
    EXPECT_EQ(group->title(), QStringLiteral("Skupina"));
    EXPECT_EQ(inner->text(), QStringLiteral("Izhod"));
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Stran"));
    EXPECT_EQ(tree->headerItem()->text(0), QStringLiteral("Čas"));
    EXPECT_EQ(tree->headerItem()->text(1), QStringLiteral("Other"));
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("Postavka"));
    EXPECT_EQ(exitAction->text(), QStringLiteral("Izhod"));
    EXPECT_EQ(menuOwned->text(), QStringLiteral("Izhod"));
    EXPECT_TRUE(separator->text().isEmpty());
    EXPECT_EQ(menu->title(), QStringLiteral("Meni"));
    EXPECT_EQ(tray->toolTip(), QStringLiteral("Pladenj"));
    // Memo lines one by one; the empty line stays empty, an unknown one English.
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Prva\n\nDruga\nThird"));
    // A dialog translates itself when it is created, not through its owner.
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Dialog"));
    EXPECT_EQ(dialogLabel->text(), QStringLiteral("Label"));
}

TEST_F(TranslateTest, UnchangedOrEmptyTextsAreNeitherWrittenNorLookedUp) {
    // The header entry answers the empty key: an empty caption that were looked up would
    // receive it.
    auto state = Catalogue({{QStringLiteral("Same"), QStringLiteral("Same")},
                            {QStringLiteral("Other"), QStringLiteral("Drugo")},
                            {QStringLiteral("Line"), QStringLiteral("Vrstica")}});
    ExclusionRegistry registry;
    QObject root;
    auto *same = new TCountingText(&root);
    same->setCaption(QStringLiteral("Same"));
    auto *empty = new TCountingText(&root);
    auto *other = new TCountingText(&root);
    other->setCaption(QStringLiteral("Other"));
    other->setLines({QStringLiteral("Line"), QString(), QStringLiteral("Unknown")});
    same->writes = empty->writes = other->writes = 0;

    TranslateComponent(&root, *state, registry);

    EXPECT_EQ(same->writes, 0);
    EXPECT_EQ(empty->writes, 0);
    EXPECT_TRUE(empty->caption().isEmpty());
    EXPECT_EQ(other->writes, 1);
    EXPECT_EQ(other->caption(), QStringLiteral("Drugo"));
    EXPECT_EQ(other->lines(),
              (QStringList{QStringLiteral("Vrstica"), QString(), QStringLiteral("Unknown")}));
}

TEST_F(TranslateTest, TechnicalTextsNeverChange) {
    const QString sql = QStringLiteral("SELECT Name FROM Users");
    const QString conn = QStringLiteral("Provider=SQLOLEDB.1;Data Source=srv");
    auto state = Catalogue({{sql, QStringLiteral("IZBERI")},
                            {conn, QStringLiteral("Ponudnik")},
                            {QStringLiteral("qryUsers"), QStringLiteral("poizvedba")},
                            {QStringLiteral("lblName"), QStringLiteral("oznaka")},
                            {QStringLiteral("Tahoma"), QStringLiteral("Arial")},
                            {QStringLiteral("color: red"), QStringLiteral("barva")},
                            {QStringLiteral("Name"), QStringLiteral("Ime")},
                            {QStringLiteral("Inner"), QStringLiteral("Notranji")}});
    ExclusionRegistry registry;
    RegisterProgramExclusions(registry);

    QWidget window;
    auto *query = new TADOQuery(&window);
    query->setObjectName(QStringLiteral("qryUsers"));
    query->SQL = sql;
    auto *inner = new TCountingText(query); // reached only through the query
    inner->setCaption(QStringLiteral("Inner"));
    auto *derived = new TDerivedQuery(&window);
    derived->SQL = sql;
    auto *connection = new TADOConnectionMSSQL(&window);
    connection->ConnectionString = conn;
    auto *label = new QLabel(QStringLiteral("Name"), &window);
    label->setObjectName(QStringLiteral("lblName"));
    label->setStyleSheet(QStringLiteral("color: red"));
    QFont font(QStringLiteral("Tahoma"));
    label->setFont(font);

    TranslateComponent(&window, *state, registry);

    EXPECT_EQ(query->SQL, sql);
    EXPECT_EQ(query->objectName(), QStringLiteral("qryUsers"));
    EXPECT_EQ(inner->caption(), QStringLiteral("Inner"));
    EXPECT_EQ(derived->SQL, sql);
    EXPECT_EQ(connection->ConnectionString, conn);
    EXPECT_EQ(label->objectName(), QStringLiteral("lblName"));
    EXPECT_EQ(label->styleSheet(), QStringLiteral("color: red"));
    EXPECT_EQ(label->font().family(), font.family());
    EXPECT_EQ(label->text(), QStringLiteral("Ime")); // the walk did reach the label
}

TEST_F(TranslateTest, FailureEndsTheWalkWithThePropertyMessage) {
    auto state = Catalogue({{QStringLiteral("Broken"), QStringLiteral("Pokvarjen")},
                            {QStringLiteral("Before"), QStringLiteral("Prej")},
                            {QStringLiteral("After"), QStringLiteral("Potem")}});
    ExclusionRegistry registry;
    QObject root;
    auto *before = new TCountingText(&root);
    before->setCaption(QStringLiteral("Before"));
    new TBrokenText(&root);
    auto *after = new TCountingText(&root);
    after->setCaption(QStringLiteral("After"));

    try {
        TranslateComponent(&root, *state, registry);
        FAIL() << "the failing write must end the translation";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Property cannot be translated.\r\nAdd "
                                 "TP_GlobalIgnoreClassProperty(TBrokenText,'text') to your source "
                                 "code or use\r\nTP_Ignore (self,'.text') to prevent this "
                                 "message.\r\nReason: write refused"));
    }
    EXPECT_EQ(before->caption(), QStringLiteral("Prej"));
    EXPECT_EQ(after->caption(), QStringLiteral("After"));

    // An excluded property is not even read.
    registry.IgnoreClassProperty(QStringLiteral("TBrokenText"), QStringLiteral("TEXT"));
    EXPECT_NO_THROW(TranslateComponent(&root, *state, registry));
    EXPECT_EQ(after->caption(), QStringLiteral("Potem"));
}

TEST_F(TranslateTest, UnreadableCatalogueFailsTheFirstProperty) {
    const QString path = MoPath(m_folder, QStringLiteral("sl"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile junk(path);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a catalogue at all");
    junk.close();
    TranslationState state(m_folder, QStringLiteral("sl_SI"));
    ExclusionRegistry registry;
    QWidget window;
    window.setWindowTitle(QStringLiteral("About"));
    try {
        TranslateComponent(&window, state, registry);
        FAIL() << "an unreadable catalogue must fail the translation";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral(
            "Property cannot be translated.\r\nAdd TP_GlobalIgnoreClassProperty(QWidget,"
            "'windowTitle')")))
            << e.what();
        EXPECT_TRUE(e.Message().contains(path)) << e.what();
    }
}

#include "test_translate_component.moc"
