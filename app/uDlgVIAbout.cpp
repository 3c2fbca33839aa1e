#include "app/uDlgVIAbout.h"

#include "core/Exceptions.h"
#include "i18n/TranslateComponent.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace {

const QColor kTealDark(0x0f, 0x5e, 0x66);
const QColor kTealLight(0x1b, 0x8a, 0x8f);

// A rule along the bottom edge only: dark line above a light one.
class BottomBevel : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        const int y = height() - 2;
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(0, y, width() - 1, y);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(0, y + 1, width() - 1, y + 1);
    }
};

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, int left, int top) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

TDlgVIAbout::TDlgVIAbout(QWidget *owner, const FileVersion &version)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("DlgVIAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(266, 167);

    img = new QLabel(this);
    img->setObjectName(QStringLiteral("img"));
    img->setPixmap(QPixmap::fromImage(BannerImage()));
    img->setGeometry(0, 0, 265, 72);

    lblApp = MakeLabel(this, "lblApp", QStringLiteral("VantrelImport"), 6, 90);
    lblVer = MakeLabel(this, "lblVer", QStringLiteral("0.0.0"), 90, 90);
    lblCopyright = MakeLabel(this, "lblCopyright",
                             QStringLiteral("Copyright \u00a9 2026 Harrowby d.o.o."), 6, 111);

    Bevel = new BottomBevel(this);
    Bevel->setObjectName(QStringLiteral("Bevel"));
    Bevel->setGeometry(3, 117, 259, 17);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(186, 138, 75, 25);
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    btnOK->setFocus();
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate(version);
}

void TDlgVIAbout::FormCreate(const FileVersion &version) {
    try {
        TranslateComponent(this);
    } catch (const Exception &e) {
        // The dialog still opens, with the texts translated so far and the placeholder version.
        m_creationError = e.Message();
        return;
    }
    for (QLabel *label : {lblApp, lblVer, lblCopyright})
        label->adjustSize();
    lblVer->setText(VersionText(version));
    lblVer->adjustSize();
}

void TDlgVIAbout::keyPressEvent(QKeyEvent *event) {
    // Escape acts on the OK button like Enter; only the close box gives Cancel.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        btnOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

QString TDlgVIAbout::VersionText(const FileVersion &version) {
    QString text =
        QString::asprintf("%u.%u.%u.%u", unsigned(version.major), unsigned(version.minor),
                          unsigned(version.release), unsigned(version.build));
    return text.left(text.lastIndexOf(QLatin1Char('.')));
}

void TDlgVIAbout::Execute(QWidget *owner, const ErrorReporter &showError) {
    FileVersion version;
    ReadExecutableFileVersion(QCoreApplication::applicationFilePath().toStdString(), version);
    Execute(owner, version, showError);
}

void TDlgVIAbout::Execute(QWidget *owner, const FileVersion &version,
                          const ErrorReporter &showError) {
    TDlgVIAbout dialog(owner, version);
    if (!dialog.CreationError().isEmpty()) {
        if (showError)
            showError(dialog.CreationError());
        else
            QMessageBox(QMessageBox::Critical, QApplication::applicationName(),
                        dialog.CreationError(), QMessageBox::Ok, owner)
                .exec();
    }
    dialog.exec();
}

QImage TDlgVIAbout::BannerImage() {
    const int w = 265, h = 72;
    QImage image(w, h, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient background(0, 0, w, h);
    background.setColorAt(0, kTealLight);
    background.setColorAt(1, kTealDark);
    p.fillRect(image.rect(), background);

    // Faint diagonal band for depth.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 16));
    QPainterPath band;
    band.moveTo(120, h);
    band.lineTo(200, 0);
    band.lineTo(240, 0);
    band.lineTo(160, h);
    band.closeSubpath();
    p.drawPath(band);

    // Badge card: white card with a lanyard slot, a photo, a name line and a contact chip.
    const QRectF card(16, 9, 36, 54);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(card.translated(2, 2), 4, 4);
    p.setBrush(Qt::white);
    p.drawRoundedRect(card, 4, 4);
    p.setBrush(kTealDark);
    p.drawRoundedRect(QRectF(card.center().x() - 6, card.top() + 4, 12, 3), 1.5, 1.5);
    const QRectF photo(card.left() + 7, card.top() + 11, 22, 20);
    p.setBrush(QColor(0xd8, 0xec, 0xec));
    p.drawRoundedRect(photo, 2, 2);
    p.setBrush(kTealLight);
    p.drawEllipse(QRectF(photo.center().x() - 4, photo.top() + 3, 8, 8));
    p.save();
    p.setClipRect(photo);
    p.drawRoundedRect(QRectF(photo.left() + 4, photo.top() + 13, 14, 10), 3, 3);
    p.restore();
    p.setBrush(kTealDark);
    p.drawRect(QRectF(card.left() + 7, card.top() + 36, 22, 2.5));
    p.drawRect(QRectF(card.left() + 7, card.top() + 41, 15, 2.5));
    p.setBrush(QColor(0xe0, 0xb0, 0x3c));
    p.drawRoundedRect(QRectF(card.right() - 13, card.bottom() - 9, 7, 5), 1, 1);

    // Name and a line saying what the program does.
    QFont f(QStringLiteral("Tahoma"));
    f.setBold(true);
    f.setPixelSize(20);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(66, 14, w - 72, 26), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("VantrelImport"));
    f.setBold(false);
    f.setPixelSize(11);
    p.setFont(f);
    p.setPen(QColor(255, 255, 255, 210));
    p.drawText(QRectF(67, 42, w - 72, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Vantrel \u2192 Tallyhouse7"));
    return image;
}
