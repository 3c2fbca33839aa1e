// Runs under the program's own application object, so it has a main of its own.
#include "app/ErrorReport.h"
#include "core/Exceptions.h"

#include <QSignalSpy>
#include <QTimer>
#include <clocale>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct Box {
    QString caption, text;
};

class Thrower : public QObject {
public:
    bool event(QEvent *e) override {
        if (e->type() == QEvent::User)
            throw Exception(QStringLiteral("Connection refused"));
        return QObject::event(e);
    }
};

} // namespace

TEST(FullStopRules, HandlerBoxAddsAfterCharactersSortingAfterTheFullStop) {
    EXPECT_EQ(WithHandlerFullStop(QStringLiteral("Login failed")), QStringLiteral("Login failed."));
    EXPECT_EQ(WithHandlerFullStop(QStringLiteral("Error 42")), QStringLiteral("Error 42."));
    EXPECT_EQ(WithHandlerFullStop(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(WithHandlerFullStop(QStringLiteral("(see log)")), QStringLiteral("(see log)"));
    EXPECT_EQ(WithHandlerFullStop(QStringLiteral("Stop!")), QStringLiteral("Stop!"));
    EXPECT_EQ(WithHandlerFullStop(QString()), QString());
}

TEST(FullStopRules, StartupTextNamesClassModuleAndMessage) {
    const Exception e(QStringLiteral("File contains no version information"));
    const QString text = StartupFailureText(e, QStringLiteral("VantrelImport"), &e);
    const QStringList lines = text.split(u'\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(
        lines[0].startsWith(QStringLiteral("Exception Exception in module VantrelImport at ")));
    EXPECT_TRUE(lines[0].endsWith(u'.'));
    EXPECT_EQ(lines[1], QStringLiteral("File contains no version information."));
    EXPECT_EQ(lines[2], QString()); // ends with a line break

    const std::runtime_error r("(already complete)");
    EXPECT_EQ(StartupFailureText(r, QStringLiteral("m"), &r).split(u'\n')[1],
              QStringLiteral("(already complete)."));
}

TEST(EscapingFailure, ShownOnceAndTheProgramGoesOn) {
    std::vector<Box> boxes;
    SetErrorBox([&](const QString &c, const QString &t) { boxes.push_back({c, t}); });
    QApplication::setApplicationName(QStringLiteral("VantrelImport"));

    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    bool later = false;
    QTimer::singleShot(0, [&] { later = true; });
    QTimer::singleShot(1, [] { throw std::runtime_error("Bad state"); });
    QTimer done;
    QSignalSpy spy(&done, &QTimer::timeout);
    done.start(50);
    ASSERT_TRUE(spy.wait(2000));

    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("VantrelImport"));
    EXPECT_EQ(boxes[0].text, QStringLiteral("Connection refused."));
    EXPECT_EQ(boxes[1].text, QStringLiteral("Bad state."));
    EXPECT_TRUE(later);
    SetErrorBox({});
}

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setlocale(LC_CTYPE, "");
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
