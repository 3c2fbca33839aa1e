#include "tests/i18n/CatalogueFixture.h"

#include "app/uDlgVIAbout.h"
#include "i18n/TranslationState.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testcat;

namespace {

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_folder = m_dir.path() + QStringLiteral("/locale/");
        SetProcessTranslation(std::make_unique<TranslationState>(m_folder, QStringLiteral("C")));
    }
    // The windows use the process-wide state; each test gets its own.
    void UseCatalogue(const QByteArray &po) {
        WriteMo(MoPath(m_folder, QStringLiteral("sl")), po);
        SetProcessTranslation(std::make_unique<TranslationState>(m_folder, QStringLiteral("sl")));
    }
    void TearDown() override {
        SetProcessTranslation(std::make_unique<TranslationState>(m_folder, QStringLiteral("C")));
    }

    QTemporaryDir m_dir;
    QString m_folder;
};

} // namespace

TEST(AboutVersion, ThreeNumbersNeverFour) {
    EXPECT_EQ(TDlgVIAbout::VersionText({1, 0, 0, 0}), QStringLiteral("1.0.0"));
    EXPECT_EQ(TDlgVIAbout::VersionText({1, 1, 0, 2}), QStringLiteral("1.1.0"));
    EXPECT_EQ(TDlgVIAbout::VersionText({65535, 10, 200, 65535}), QStringLiteral("65535.10.200"));
}

TEST_F(AboutTest, TranslatedDesignWithVersionInDigits) {
    UseCatalogue(PoText({{QStringLiteral("About"), QStringLiteral("O programu")},
                         {QStringLiteral("OK"), QStringLiteral("V redu")},
                         {QStringLiteral("1.2.3"), QStringLiteral("ena.dva.tri")},
                         {QStringLiteral("0.0.0"), QStringLiteral("ni različice")}}));
    TDlgVIAbout dialog(nullptr, FileVersion{1, 2, 3, 4});
    EXPECT_TRUE(dialog.CreationError().isEmpty());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("O programu"));
    EXPECT_EQ(dialog.btnOK->text(), QStringLiteral("V redu"));
    EXPECT_EQ(dialog.lblVer->text(), QStringLiteral("1.2.3"));
    EXPECT_EQ(dialog.lblApp->text(), QStringLiteral("VantrelImport"));
    EXPECT_FALSE(dialog.lblCopyright->text().isEmpty());
    // The name label and the version do not overlap.
    EXPECT_LE(dialog.lblApp->geometry().right(), dialog.lblVer->x());
}

TEST_F(AboutTest, FailedTranslationStillOpensWithPlaceholderVersion) {
    const QString path = MoPath(m_folder, QStringLiteral("sl"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile junk(path);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("junk");
    junk.close();
    SetProcessTranslation(std::make_unique<TranslationState>(m_folder, QStringLiteral("sl")));

    TDlgVIAbout dialog(nullptr, FileVersion{1, 2, 3, 4});
    EXPECT_TRUE(dialog.CreationError().startsWith(QStringLiteral("Property cannot be translated.")))
        << dialog.CreationError().toStdString();
    EXPECT_EQ(dialog.lblVer->text(), QStringLiteral("0.0.0"));
}

TEST_F(AboutTest, LayoutAndKeys) {
    TDlgVIAbout dialog(nullptr, FileVersion{1, 0, 0, 0});
    EXPECT_EQ(dialog.lblVer->text(), QStringLiteral("1.0.0"));
    EXPECT_EQ(dialog.size(), QSize(266, 167));
    EXPECT_EQ(dialog.img->geometry(), QRect(0, 0, 265, 72));
    EXPECT_EQ(dialog.btnOK->geometry(), QRect(186, 138, 75, 25));
    EXPECT_EQ(dialog.Bevel->geometry(), QRect(3, 117, 259, 17));
    EXPECT_EQ(dialog.lblApp->pos(), QPoint(6, 90));
    EXPECT_EQ(dialog.lblCopyright->pos(), QPoint(6, 111));
    EXPECT_TRUE(dialog.btnOK->isDefault());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About"));

    // Escape acts on OK: the result is Accepted, not Rejected.
    QTimer::singleShot(0, &dialog, [&] {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    // The close box gives Cancel.
    QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

// What the user sees at the top of the dialog is the whole banner, opaque, at its design size.
TEST_F(AboutTest, DialogShowsTheBannerAtItsTop) {
    const QImage banner = TDlgVIAbout::BannerImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(banner.size(), QSize(265, 72));
    TDlgVIAbout dialog(nullptr, FileVersion{1, 0, 0, 0});
    const QImage shown = dialog.grab(QRect(QPoint(0, 0), banner.size()))
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, banner);
}
