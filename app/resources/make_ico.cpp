// Writes the program icon, painted in code, as a Windows .ico file (48, 32 and 16 pixels,
// 32-bit DIB images with alpha) for the executable's resources, or as PNG files for a
// freedesktop icon theme (<dir>/<n>x<n>/apps/vantrelimport.png at the usual sizes).
// Usage: vi_make_ico <file.ico> | vi_make_ico --png <dir>
#include "app/Artwork.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void Put16(std::vector<unsigned char> &out, std::uint16_t v) {
    out.push_back(static_cast<unsigned char>(v & 0xff));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void Put32(std::vector<unsigned char> &out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v & 0xffff));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}

// BITMAPINFOHEADER (height doubled for the mask), BGRA rows bottom-up, then an all-clear
// AND mask (the alpha channel decides transparency).
std::vector<unsigned char> IconDib(const QImage &source) {
    const QImage img = source.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;
    std::vector<unsigned char> dib;
    Put32(dib, 40);
    Put32(dib, static_cast<std::uint32_t>(w));
    Put32(dib, static_cast<std::uint32_t>(2 * h));
    Put16(dib, 1);
    Put16(dib, 32);
    Put32(dib, 0);
    Put32(dib, static_cast<std::uint32_t>(w * h * 4 + maskStride * h));
    for (int i = 0; i < 4; ++i)
        Put32(dib, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const QRgb px = img.pixel(x, y);
            dib.push_back(static_cast<unsigned char>(qBlue(px)));
            dib.push_back(static_cast<unsigned char>(qGreen(px)));
            dib.push_back(static_cast<unsigned char>(qRed(px)));
            dib.push_back(static_cast<unsigned char>(qAlpha(px)));
        }
    dib.insert(dib.end(), static_cast<std::size_t>(maskStride * h), 0);
    return dib;
}

// The sizes desktops look for in the hicolor theme.
int WriteThemePngs(const QString &dir) {
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(dir, QString::number(size));
        const QString file = apps + QStringLiteral("/vantrelimport.png");
        if (!QDir().mkpath(apps) || !ProgramIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "vi_make_ico: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--png") == 0)
        return WriteThemePngs(QString::fromLocal8Bit(argv[2]));
    if (argc != 2) {
        std::fprintf(stderr, "usage: vi_make_ico <file.ico> | vi_make_ico --png <dir>\n");
        return 2;
    }
    const int sizes[] = {48, 32, 16};
    std::vector<std::vector<unsigned char>> images;
    for (const int size : sizes)
        images.push_back(IconDib(ProgramIconImage(size)));

    std::vector<unsigned char> ico;
    Put16(ico, 0);
    Put16(ico, 1); // icon
    Put16(ico, static_cast<std::uint16_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        ico.push_back(static_cast<unsigned char>(sizes[i]));
        ico.push_back(static_cast<unsigned char>(sizes[i]));
        ico.push_back(0); // no palette
        ico.push_back(0);
        Put16(ico, 1);
        Put16(ico, 32);
        Put32(ico, static_cast<std::uint32_t>(images[i].size()));
        Put32(ico, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto &image : images)
        ico.insert(ico.end(), image.begin(), image.end());

    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char *>(ico.data()), static_cast<qint64>(ico.size())) !=
            static_cast<qint64>(ico.size())) {
        std::fprintf(stderr, "vi_make_ico: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
