// render-icon SVG SIZE OUT: draws an SVG picture into a square image of SIZE
// pixels, for the icon theme's fixed-size folders (OUT a PNG) and for the
// pictures the window shows at every start (OUT ending in ".argb": raw
// premultiplied ARGB pixels in the machine's byte order, which the program
// takes from its resources as they are). A build tool, not installed.

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool sizeOk = false;
    const int size = args.size() == 4 ? args.at(2).toInt(&sizeOk) : 0;
    if (!sizeOk || size < 1 || size > 1024) {
        std::fputs("usage: render-icon SVG SIZE OUT.png|OUT.argb\n", stderr);
        return 2;
    }
    QSvgRenderer svg(args.at(1));
    if (!svg.isValid()) {
        std::fprintf(stderr, "render-icon: %s is no SVG picture\n", qPrintable(args.at(1)));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        svg.render(&painter);
    }
    const QString out = args.at(3);
    bool written = false;
    if (out.endsWith(QLatin1String(".argb"))) {
        QFile file(out);
        const qint64 bytes = qint64(image.sizeInBytes());
        written = image.bytesPerLine() == size * 4 && file.open(QIODevice::WriteOnly) &&
                  file.write(reinterpret_cast<const char*>(image.constBits()), bytes) == bytes &&
                  file.flush();
    } else {
        written = image.save(out, "PNG");
    }
    if (!written) {
        std::fprintf(stderr, "render-icon: cannot write %s\n", qPrintable(args.at(3)));
        return 1;
    }
    return 0;
}
