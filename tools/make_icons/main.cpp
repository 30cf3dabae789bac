// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's own icons as flat shapes and writes them as multi-size .ico files, or the
// program's icon as the PNGs of a freedesktop hicolor theme.
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr std::array<int, 4> sizes{16, 24, 32, 48};

// Every glyph is drawn on a 32-unit grid and scaled; outlines keep a width of about one device
// pixel at every size so the small icons stay crisp instead of going grey.
constexpr qreal grid = 32.0;

struct Canvas {
    QPainter& p;
    int size;
    qreal unit() const { return grid / size; } // one device pixel in grid units
    QPen outline(const QColor& c, qreal pixels = 1.0) const
    {
        QPen pen(c, pixels * unit());
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCapStyle(Qt::RoundCap);
        return pen;
    }
};

using Painter = std::function<void(Canvas&)>;

QLinearGradient vertical(qreal top, qreal bottom, const QColor& a, const QColor& b)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

QPainterPath rect(const QRectF& r)
{
    QPainterPath path;
    path.addRect(r);
    return path;
}

void person(Canvas& c, const QColor& light, const QColor& dark)
{
    QPainter& p = c.p;
    p.setPen(c.outline(dark.darker(130)));
    // Shoulders first so the head's outline sits on top of them.
    QPainterPath body;
    body.moveTo(4, 30);
    body.cubicTo(4, 21, 9, 17.5, 16, 17.5);
    body.cubicTo(23, 17.5, 28, 21, 28, 30);
    body.closeSubpath();
    p.setBrush(vertical(17, 30, light, dark));
    p.drawPath(body);
    p.setBrush(vertical(3, 17, light.lighter(112), light.darker(108)));
    p.drawEllipse(QRectF(9.5, 3, 13, 13.5));
}

// The program's own icon, also the window's: the contact drawn for a man.
void programIcon(Canvas& c)
{
    person(c, QColor(0x8C, 0xBC, 0xF0), QColor(0x2E, 0x6C, 0xC0));
}

void key(Canvas& c)
{
    QPainter& p = c.p;
    const QColor gold(0xE8, 0xB0, 0x28);
    const QColor edge(0x8A, 0x5A, 0x08);
    p.setPen(c.outline(edge));
    QPainterPath shaft;
    shaft.addRoundedRect(QRectF(13, 14, 17, 4.5), 1, 1);
    shaft = shaft.united(rect(QRectF(22, 18, 3, 5))).united(rect(QRectF(26.5, 18, 3, 7)));
    p.setBrush(vertical(14, 25, gold.lighter(115), gold.darker(110)));
    p.drawPath(shaft);
    QPainterPath bow;
    bow.addEllipse(QRectF(2, 7.5, 17, 17));
    QPainterPath hole;
    hole.addEllipse(QRectF(6, 13, 5, 5));
    p.setBrush(vertical(7, 25, gold.lighter(125), gold));
    p.drawPath(bow.subtracted(hole));
}

void folderBack(Canvas& c, const QColor& fill, const QColor& edge)
{
    QPainter& p = c.p;
    QPainterPath back;
    back.moveTo(2, 27);
    back.lineTo(2, 6.5);
    back.quadTo(2, 5, 3.5, 5);
    back.lineTo(11, 5);
    back.lineTo(14, 8);
    back.lineTo(28.5, 8);
    back.quadTo(30, 8, 30, 9.5);
    back.lineTo(30, 27);
    back.closeSubpath();
    p.setPen(c.outline(edge));
    p.setBrush(vertical(5, 27, fill.darker(104), fill.darker(118)));
    p.drawPath(back);
}

void closedFolder(Canvas& c)
{
    const QColor fill(0xF6, 0xCB, 0x4A);
    const QColor edge(0xA8, 0x78, 0x10);
    folderBack(c, fill, edge);
    QPainter& p = c.p;
    p.setPen(c.outline(edge));
    p.setBrush(vertical(11, 27, fill.lighter(118), fill));
    p.drawRoundedRect(QRectF(2, 11, 28, 16), 1.2, 1.2);
}

void openFolder(Canvas& c)
{
    const QColor fill(0xF6, 0xCB, 0x4A);
    const QColor edge(0xA8, 0x78, 0x10);
    folderBack(c, fill, edge);
    QPainter& p = c.p;
    // A white sheet peeking out says "open" even at 16 px.
    p.setPen(c.outline(QColor(0x9A, 0x9A, 0x9A)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 9.5, 20, 10));
    QPainterPath flap;
    flap.moveTo(2, 27);
    flap.lineTo(6.5, 14);
    flap.lineTo(31, 14);
    flap.lineTo(26.5, 27);
    flap.closeSubpath();
    p.setPen(c.outline(edge));
    p.setBrush(vertical(14, 27, fill.lighter(125), fill));
    p.drawPath(flap);
}

void plusBadge(Canvas& c, QPointF centre, qreal radius)
{
    QPainter& p = c.p;
    const QColor green(0x3C, 0xA8, 0x3C);
    p.setPen(c.outline(green.darker(150)));
    p.setBrush(vertical(centre.y() - radius, centre.y() + radius, green.lighter(125), green));
    p.drawEllipse(centre, radius, radius);
    const qreal arm = radius * 0.58;
    QPen bar(Qt::white, radius * 0.42);
    bar.setCapStyle(Qt::FlatCap);
    p.setPen(bar);
    p.drawLine(QPointF(centre.x() - arm, centre.y()), QPointF(centre.x() + arm, centre.y()));
    p.drawLine(QPointF(centre.x(), centre.y() - arm), QPointF(centre.x(), centre.y() + arm));
}

void card(Canvas& c)
{
    QPainter& p = c.p;
    const QColor edge(0x5A, 0x6E, 0x8C);
    p.setPen(c.outline(edge));
    p.setBrush(vertical(5, 26, Qt::white, QColor(0xE4, 0xEC, 0xF6)));
    p.drawRoundedRect(QRectF(1.5, 5, 25, 19), 2, 2);
    // A small portrait and three text lines make it read as a contact card.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6C, 0x8E, 0xBF));
    p.drawEllipse(QRectF(4.5, 8.5, 6, 6));
    p.drawRoundedRect(QRectF(3.5, 15, 8, 5.5), 2.5, 2.5);
    p.setBrush(QColor(0x9A, 0xAA, 0xC0));
    p.drawRect(QRectF(13.5, 9.5, 10, 2));
    p.drawRect(QRectF(13.5, 14, 8, 2));
    plusBadge(c, QPointF(24, 23.5), 7);
}

void pencil(Canvas& c)
{
    QPainter& p = c.p;
    p.save();
    p.translate(16, 16);
    p.rotate(-45);
    const QColor edge(0x6A, 0x4A, 0x10);
    p.setPen(c.outline(edge));
    // Eraser, ferrule, body, then the sharpened wood with its graphite point.
    p.setBrush(QColor(0xE8, 0x7A, 0x8C));
    p.drawRoundedRect(QRectF(9, -4, 5, 8), 1.5, 1.5);
    p.setBrush(QColor(0xB8, 0xBE, 0xC6));
    p.drawRect(QRectF(6.5, -4, 3, 8));
    QLinearGradient body(0, -4, 0, 4);
    body.setColorAt(0, QColor(0xFF, 0xD8, 0x50));
    body.setColorAt(1, QColor(0xE0, 0x9C, 0x10));
    p.setBrush(body);
    p.drawRect(QRectF(-8, -4, 14.5, 8));
    QPainterPath wood;
    wood.moveTo(-8, -4);
    wood.lineTo(-14, 0);
    wood.lineTo(-8, 4);
    wood.closeSubpath();
    p.setBrush(QColor(0xF2, 0xD2, 0xA4));
    p.drawPath(wood);
    QPainterPath lead;
    lead.moveTo(-12, -1.35);
    lead.lineTo(-14, 0);
    lead.lineTo(-12, 1.35);
    lead.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x40, 0x40, 0x40));
    p.drawPath(lead);
    p.restore();
}

void redCross(Canvas& c)
{
    QPainter& p = c.p;
    QPainterPath bar;
    bar.addRoundedRect(QRectF(-13, -3.6, 26, 7.2), 2.2, 2.2);
    const QPainterPath cross = QTransform()
                                   .rotate(45)
                                   .map(bar)
                                   .united(QTransform().rotate(-45).map(bar))
                                   .translated(16, 16);
    const QColor red(0xD8, 0x2C, 0x2C);
    p.setPen(c.outline(red.darker(160)));
    p.setBrush(vertical(4, 28, QColor(0xF2, 0x6A, 0x5A), red));
    p.drawPath(cross);
}

void printer(Canvas& c)
{
    QPainter& p = c.p;
    const QColor edge(0x4A, 0x56, 0x68);
    p.setPen(c.outline(edge));
    // The sheet waiting at the back, the body, then the printed sheet coming out at the front.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8.5, 3.5, 15, 10));
    p.setBrush(vertical(12, 24, QColor(0xC4, 0xCE, 0xDA), QColor(0x7E, 0x8C, 0xA0)));
    p.drawRoundedRect(QRectF(2.5, 12.5, 27, 11), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3C, 0xB0, 0x4A));
    p.drawEllipse(QPointF(25, 16), 1.4, 1.4);
    p.setPen(c.outline(edge));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8.5, 19.5, 15, 9));
    p.setPen(c.outline(QColor(0x5A, 0x8D, 0xC8)));
    p.drawLine(QPointF(11, 23), QPointF(21, 23));
    p.drawLine(QPointF(11, 26), QPointF(18, 26));
}

void gear(Canvas& c)
{
    QPainter& p = c.p;
    constexpr int teeth = 8;
    QPainterPath wheel;
    wheel.addEllipse(QPointF(16, 16), 10.5, 10.5);
    for (int i = 0; i < teeth; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-2.8, -14.5, 5.6, 7), 1, 1);
        wheel = wheel.united(QTransform().translate(16, 16).rotate(360.0 / teeth * i).map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(QPointF(16, 16), 4.2, 4.2);
    wheel = wheel.subtracted(hole);
    const QColor steel(0x8C, 0x9A, 0xAC);
    p.setPen(c.outline(QColor(0x42, 0x4E, 0x5E)));
    p.setBrush(vertical(2, 30, steel.lighter(135), steel.darker(115)));
    p.drawPath(wheel);
}

void info(Canvas& c)
{
    QPainter& p = c.p;
    const QColor blue(0x2A, 0x6E, 0xC8);
    p.setPen(c.outline(blue.darker(150)));
    p.setBrush(vertical(2, 30, blue.lighter(140), blue));
    p.drawEllipse(QPointF(16, 16), 14, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 9), 2.4, 2.4);
    QPainterPath stem;
    stem.moveTo(12.5, 13.5);
    stem.lineTo(18, 13.5);
    stem.lineTo(18, 22.5);
    stem.lineTo(20, 22.5);
    stem.lineTo(20, 25);
    stem.lineTo(12, 25);
    stem.lineTo(12, 22.5);
    stem.lineTo(14, 22.5);
    stem.lineTo(14, 16);
    stem.lineTo(12.5, 16);
    stem.closeSubpath();
    p.drawPath(stem);
}

void magnifier(Canvas& c)
{
    QPainter& p = c.p;
    // The handle is a filled outline rather than a thick line so it keeps an edge on dark bars.
    QPainterPath handle;
    handle.addRoundedRect(QRectF(-2.8, 0, 5.6, 11), 2.5, 2.5);
    p.setPen(c.outline(QColor(0x4A, 0x30, 0x18)));
    p.setBrush(QColor(0xB0, 0x74, 0x38));
    p.drawPath(QTransform().translate(20, 20).rotate(-45).map(handle));
    p.setPen(QPen(QColor(0x5C, 0x7C, 0xA4), 3));
    QRadialGradient glass(QPointF(10, 10), 12);
    glass.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    glass.setColorAt(1, QColor(0xA8, 0xD0, 0xF0));
    p.setBrush(glass);
    p.drawEllipse(QPointF(13, 13), 9.5, 9.5);
}

void newGroup(Canvas& c)
{
    closedFolder(c);
    plusBadge(c, QPointF(24, 23.5), 7);
}

QImage render(const Painter& draw, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / grid, size / grid);
    Canvas canvas{p, size};
    draw(canvas);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Qt's ICO writer leaves the padding at the end of each transparency-mask row unset, so the
// same drawing gave different bytes from run to run; zeroing it keeps regenerated files stable.
void clearMaskPadding(QByteArray& bitmap)
{
    if (bitmap.size() < 40)
        return;
    const char* header = bitmap.constData();
    const quint32 headerSize = qFromLittleEndian<quint32>(header);
    const qint32 width = qFromLittleEndian<qint32>(header + 4);
    const qint32 height = qFromLittleEndian<qint32>(header + 8) / 2; // colour rows, then mask
    const quint16 bits = qFromLittleEndian<quint16>(header + 14);
    if (bits != 32 || width <= 0 || height <= 0)
        return;
    const qsizetype colourRow = qsizetype(width) * 4;
    const qsizetype maskRow = (qsizetype(width) + 31) / 32 * 4;
    const qsizetype maskUsed = (qsizetype(width) + 7) / 8;
    const qsizetype maskStart = headerSize + colourRow * height;
    if (maskStart + maskRow * height > bitmap.size())
        return;
    for (qsizetype row = 0; row < height; ++row) {
        for (qsizetype i = maskUsed; i < maskRow; ++i)
            bitmap[maskStart + row * maskRow + i] = 0;
    }
}

// Qt's ICO writer stores one image per file, so each size is encoded on its own and the
// single-image files are joined under one directory: a 6-byte header, one 16-byte entry per
// image, then the images' data with the entries' offsets moved to match.
QByteArray joinIcons(const QList<QByteArray>& singles)
{
    constexpr int header = 6;
    constexpr int entry = 16;
    QByteArray out(header, '\0');
    qToLittleEndian<quint16>(1, out.data() + 2);
    qToLittleEndian<quint16>(quint16(singles.size()), out.data() + 4);
    QByteArray directory;
    QByteArray data;
    quint32 offset = quint32(header + entry * singles.size());
    for (const QByteArray& single : singles) {
        if (single.size() < header + entry ||
            qFromLittleEndian<quint16>(single.constData() + 4) != 1)
            return {};
        QByteArray e = single.mid(header, entry);
        const quint32 bytes = qFromLittleEndian<quint32>(e.constData() + 8);
        const quint32 start = qFromLittleEndian<quint32>(e.constData() + 12);
        if (qint64(start) + bytes > single.size())
            return {};
        qToLittleEndian<quint32>(offset + quint32(data.size()), e.data() + 12);
        directory += e;
        QByteArray bitmap = single.mid(start, bytes);
        clearMaskPadding(bitmap);
        data += bitmap;
    }
    return out + directory + data;
}

bool writeIcon(const QString& path, const Painter& draw)
{
    QList<QByteArray> singles;
    for (int size : sizes) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "ico");
        if (!writer.write(render(draw, size))) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
            return false;
        }
        singles.append(bytes);
    }
    const QByteArray joined = joinIcons(singles);
    QFile file(path);
    if (joined.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(joined) != joined.size())
        return false;
    file.close();
    // Read it back so a broken join is caught here rather than as a blank toolbar.
    QImageReader check(path, "ico");
    if (check.imageCount() != int(sizes.size())) {
        std::fprintf(stderr, "%s: wrote %d images\n", qPrintable(path), check.imageCount());
        return false;
    }
    return true;
}

// Drawn anew at each size rather than scaled, so the menu's large icons stay sharp.
int writeHicolor(const QDir& theme, const QString& name)
{
    constexpr std::array<int, 7> themeSizes{16, 24, 32, 48, 64, 128, 256};
    int failures = 0;
    for (int size : themeSizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = theme.filePath(folder + u'/' + name + u".png");
        if (!theme.mkpath(folder) || !render(programIcon, size).save(path, "png")) {
            std::fprintf(stderr, "failed: %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args.at(1) == u"--hicolor")
        return writeHicolor(QDir(args.at(2)), args.at(3));
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n       %s --hicolor THEME_FOLDER NAME\n",
                     qPrintable(args.value(0)), qPrintable(args.value(0)));
        return 2;
    }
    const QDir out(args.at(1));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(args.at(1)));
        return 1;
    }

    struct Icon {
        const char16_t* name;
        Painter draw;
    };
    const Icon icons[] = {
        {u"00000.ico",
         [](Canvas& c) {
             person(c, QColor(0xB4, 0xBC, 0xC6), QColor(0x6E, 0x7A, 0x88));
         }},
        {u"00001.ico",
         [](Canvas& c) {
             person(c, QColor(0xF6, 0xA8, 0xC0), QColor(0xD0, 0x50, 0x7E));
         }},
        {u"00002.ico", programIcon},
        {u"00003.ico", key},
        {u"00032.ico", closedFolder},
        {u"00023.ico", openFolder},
        {u"new.ico", card},
        {u"edit.ico", pencil},
        {u"delete.ico", redCross},
        {u"print.ico", printer},
        {u"settings.ico", gear},
        {u"about.ico", info},
        {u"search.ico", magnifier},
        {u"newgroup.ico", newGroup},
    };
    int failures = 0;
    for (const Icon& icon : icons) {
        const QString name = QString::fromUtf16(icon.name);
        if (!writeIcon(out.filePath(name), icon.draw)) {
            std::fprintf(stderr, "failed: %s\n", qPrintable(name));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
