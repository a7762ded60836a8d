// Draws the program's SVG pictures at fixed sizes when the program is built,
// as raw premultiplied ARGB pixels in the machine's own byte order: the
// window shows them at every start straight from its resources, with
// nothing to parse, draw or decode.
//
//   zuno-render-icons OUT_FOLDER PICTURE.svg=SIZE[,SIZE...] ...
//
// writes OUT_FOLDER/PICTURE-SIZE.argb (SIZE x SIZE x 4 bytes) for each size;
// exits 1 on any failure.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    // No display at build time.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        std::fputs("usage: zuno-render-icons OUT_FOLDER PICTURE.svg=SIZE[,SIZE...] ...\n", stderr);
        return 2;
    }
    const QDir out(arguments.at(1));
    for (const QString& argument : arguments.mid(2)) {
        const qsizetype equals = argument.lastIndexOf(QLatin1Char('='));
        const QString svg = argument.left(equals);
        QSvgRenderer renderer(svg);
        if (equals < 0 || !renderer.isValid()) {
            std::fprintf(stderr, "zuno-render-icons: cannot read %s\n", qPrintable(svg));
            return 1;
        }
        const QString base = QFileInfo(svg).completeBaseName();
        for (const QString& sizeText : argument.mid(equals + 1).split(QLatin1Char(','))) {
            const int size = sizeText.toInt();
            QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            renderer.render(&painter);
            painter.end();
            const QString path = out.filePath(base + QLatin1Char('-') + sizeText + QStringLiteral(".argb"));
            QFile file(path);
            const qint64 bytes = qint64(image.sizeInBytes());
            if (size <= 0 || image.bytesPerLine() != size * 4 || !file.open(QIODevice::WriteOnly)
                || file.write(reinterpret_cast<const char*>(image.constBits()), bytes) != bytes
                || !file.flush()) {
                std::fprintf(stderr, "zuno-render-icons: cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}
