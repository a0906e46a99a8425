// Draws every picture the toolbox reads at run time into resources/runtime/images.
// The pictures are committed; run resources/artwork/redraw after changing this file.
//
// One style throughout: flat shapes with a one-pixel darker rim, the title blue
// #0b4472 for marks and text, and one colour per connectivity state.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

const QColor kTitleBlue(0x0b, 0x44, 0x72);
const QColor kDeepBlue(0x06, 0x2a, 0x47);
const QColor kAccent(0x1f, 0x8f, 0xbf);
const QColor kPaper(0xf4, 0xf6, 0xf8);
const QColor kInk(0x2b, 0x33, 0x3b);
const QColor kMuted(0x6b, 0x76, 0x80);

// Connectivity and state colours, shared by the LEDs, the locks and the tour.
const QColor kGreen(0x3a, 0xa7, 0x57);
const QColor kAmber(0xf0, 0xa9, 0x2e);
const QColor kRed(0xd6, 0x45, 0x41);
const QColor kBlue(0x3b, 0x82, 0xc4);
const QColor kGrey(0x9a, 0xa0, 0xa6);

QString outputDir;
bool allWritten = true;

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void save(const QImage &image, const QString &name, int quality = -1)
{
    const QString path = outputDir + "/" + name;
    if (!image.save(path, nullptr, quality)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        allWritten = false;
    }
}

void paint(QImage &image, const std::function<void(QPainter &)> &draw)
{
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    draw(painter);
}

QFont font(int pixelSize, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// --- small shapes, each drawn into a square of side s at the painter's origin ---

void drawLed(QPainter &p, qreal s, const QColor &colour)
{
    const QRectF r(1.5, 1.5, s - 3, s - 3);
    QRadialGradient body(r.center() - QPointF(s * 0.12, s * 0.15), s * 0.6);
    body.setColorAt(0, colour.lighter(135));
    body.setColorAt(1, colour);
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(body);
    p.drawEllipse(r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 110));
    p.drawEllipse(QRectF(s * 0.3, s * 0.2, s * 0.4, s * 0.25));
}

void drawPlus(QPainter &p, qreal s, bool pressed)
{
    const QRectF r(1.5, 1.5, s - 3, s - 3);
    p.setPen(QPen(kTitleBlue, 1.2));
    p.setBrush(pressed ? kTitleBlue : QColor(Qt::white));
    p.drawEllipse(r);
    p.setPen(QPen(pressed ? QColor(Qt::white) : kTitleBlue, s / 8, Qt::SolidLine, Qt::RoundCap));
    const qreal c = s / 2, arm = s * 0.24;
    p.drawLine(QPointF(c - arm, c), QPointF(c + arm, c));
    p.drawLine(QPointF(c, c - arm), QPointF(c, c + arm));
}

QPainterPath starPath(qreal s)
{
    QPainterPath path;
    const QPointF c(s / 2, s / 2 + s * 0.04);
    const qreal outer = s * 0.47, inner = s * 0.2;
    for (int i = 0; i < 10; ++i) {
        const qreal radius = (i % 2) ? inner : outer;
        const qreal angle = qDegreesToRadians(-90.0 + i * 36.0);
        const QPointF point = c + QPointF(radius * qCos(angle), radius * qSin(angle));
        i ? path.lineTo(point) : path.moveTo(point);
    }
    path.closeSubpath();
    return path;
}

void drawStar(QPainter &p, qreal s, bool filled)
{
    const QColor gold(0xf2, 0xb8, 0x1c);
    p.setPen(QPen(filled ? gold.darker(135) : kGrey, 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(filled ? gold : QColor(Qt::white));
    p.drawPath(starPath(s));
}

void drawGlobe(QPainter &p, qreal s)
{
    const QRectF r(1.5, 1.5, s - 3, s - 3);
    p.setPen(QPen(kTitleBlue, 1.1));
    p.setBrush(QColor(0xdc, 0xeb, 0xf7));
    p.drawEllipse(r);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(s * 0.32, 1.5, s * 0.36, s - 3));
    p.drawLine(QPointF(1.5, s / 2), QPointF(s - 1.5, s / 2));
    p.drawLine(QPointF(s / 2, 1.5), QPointF(s / 2, s - 1.5));
}

void drawWarning(QPainter &p, qreal s)
{
    QPainterPath triangle;
    triangle.moveTo(s / 2, 1.5);
    triangle.lineTo(s - 1, s - 1.5);
    triangle.lineTo(1, s - 1.5);
    triangle.closeSubpath();
    p.setPen(QPen(kAmber.darker(150), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kAmber);
    p.drawPath(triangle);
    p.setPen(QPen(kInk, s / 9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s / 2, s * 0.36), QPointF(s / 2, s * 0.64));
    p.drawPoint(QPointF(s / 2, s * 0.8));
}

void drawAlert(QPainter &p, qreal s)
{
    p.setPen(QPen(kRed.darker(140), 1));
    p.setBrush(kRed);
    p.drawEllipse(QRectF(1, 1, s - 2, s - 2));
    p.setPen(QPen(Qt::white, s / 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s / 2, s * 0.26), QPointF(s / 2, s * 0.56));
    p.drawPoint(QPointF(s / 2, s * 0.74));
}

void drawLock(QPainter &p, qreal s, const QColor &colour)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour.darker(150), s / 9));
    p.drawArc(QRectF(s * 0.27, s * 0.08, s * 0.46, s * 0.56), 0, 180 * 16);
    p.drawLine(QPointF(s * 0.27, s * 0.36), QPointF(s * 0.27, s * 0.46));
    p.drawLine(QPointF(s * 0.73, s * 0.36), QPointF(s * 0.73, s * 0.46));
    p.setPen(QPen(colour.darker(150), 1));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(s * 0.14, s * 0.44, s * 0.72, s * 0.5), s * 0.08, s * 0.08);
    p.setPen(Qt::NoPen);
    p.setBrush(colour.darker(170));
    p.drawEllipse(QRectF(s * 0.44, s * 0.58, s * 0.12, s * 0.12));
}

void drawTransfer(QPainter &p, qreal s)
{
    p.setPen(QPen(kTitleBlue, 1));
    p.setBrush(QColor(0xdc, 0xeb, 0xf7));
    p.drawRoundedRect(QRectF(1.5, 1.5, s - 3, s - 3), s * 0.15, s * 0.15);
    p.setPen(QPen(kTitleBlue, s / 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal left = s * 0.34, right = s * 0.66;
    p.drawLine(QPointF(left, s * 0.75), QPointF(left, s * 0.27));
    p.drawPolyline(QPolygonF({QPointF(left - s * 0.14, s * 0.41), QPointF(left, s * 0.25), QPointF(left + s * 0.14, s * 0.41)}));
    p.drawLine(QPointF(right, s * 0.25), QPointF(right, s * 0.73));
    p.drawPolyline(QPolygonF({QPointF(right - s * 0.14, s * 0.59), QPointF(right, s * 0.75), QPointF(right + s * 0.14, s * 0.59)}));
}

void drawLifebuoy(QPainter &p, qreal s)
{
    const QRectF outer(1.5, 1.5, s - 3, s - 3);
    const QRectF inner(s * 0.3, s * 0.3, s * 0.4, s * 0.4);
    QPainterPath ring;
    ring.addEllipse(outer);
    ring.addEllipse(inner);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(ring);
    p.save();
    p.setClipPath(ring);
    p.setBrush(kRed);
    for (int quarter = 0; quarter < 4; ++quarter)
        p.drawPie(outer.adjusted(-2, -2, 2, 2), (20 + quarter * 90) * 16, 50 * 16);
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kRed.darker(150), 1));
    p.drawEllipse(outer);
    p.drawEllipse(inner);
}

void drawPulse(QPainter &p, qreal s)
{
    p.setPen(QPen(kTitleBlue, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(1.5, 1.5, s - 3, s - 3), s * 0.15, s * 0.15);
    p.setPen(QPen(kRed, s / 11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(s * 0.12, s * 0.55), QPointF(s * 0.34, s * 0.55), QPointF(s * 0.44, s * 0.25),
                              QPointF(s * 0.56, s * 0.8), QPointF(s * 0.66, s * 0.48), QPointF(s * 0.88, s * 0.48)}));
}

void drawGear(QPainter &p, qreal s)
{
    QPainterPath gear;
    const QPointF c(s / 2, s / 2);
    for (int i = 0; i < 32; ++i) {
        const qreal radius = i % 4 < 2 ? s * 0.47 : s * 0.37;
        const qreal angle = qDegreesToRadians(i * 11.25);
        const QPointF point = c + QPointF(radius * qCos(angle), radius * qSin(angle));
        i ? gear.lineTo(point) : gear.moveTo(point);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, s * 0.14, s * 0.14);
    p.setPen(QPen(kTitleBlue.darker(130), 1));
    p.setBrush(QColor(0xdc, 0xeb, 0xf7));
    p.drawPath(gear.subtracted(hole));
}

void drawQuestion(QPainter &p, qreal s)
{
    p.setPen(QPen(kAccent.darker(140), 1));
    p.setBrush(kAccent);
    p.drawEllipse(QRectF(1, 1, s - 2, s - 2));
    p.setPen(Qt::white);
    p.setFont(font(qRound(s * 0.66), true));
    p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, QStringLiteral("?"));
}

void drawBadge(QPainter &p, const QRectF &r, const QString &text, const QColor &colour)
{
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(colour);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), r.height() / 2, r.height() / 2);
    p.setPen(Qt::white);
    p.setFont(font(qRound(r.height() * 0.62), true));
    p.drawText(r, Qt::AlignCenter, text);
}

// The toolbox mark: a hub with three gateways around it.
void drawMark(QPainter &p, qreal s, bool onDark)
{
    if (!onDark) {
        QLinearGradient face(0, 0, 0, s);
        face.setColorAt(0, kAccent);
        face.setColorAt(1, kTitleBlue);
        p.setPen(Qt::NoPen);
        p.setBrush(face);
        p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.2, s * 0.2);
    }
    const QPointF hub(s * 0.5, s * 0.54);
    const QPointF nodes[] = {{s * 0.22, s * 0.26}, {s * 0.8, s * 0.3}, {s * 0.5, s * 0.86}};
    p.setPen(QPen(QColor(255, 255, 255, 220), qMax<qreal>(1.2, s / 18), Qt::SolidLine, Qt::RoundCap));
    for (const QPointF &node : nodes)
        p.drawLine(hub, node);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(hub, s * 0.14, s * 0.14);
    for (const QPointF &node : nodes)
        p.drawEllipse(node, s * 0.09, s * 0.09);
    p.setBrush(onDark ? kAccent : kTitleBlue);
    p.drawEllipse(hub, s * 0.06, s * 0.06);
}

void writeIcon(const QString &name, int size, const std::function<void(QPainter &, qreal)> &draw)
{
    QImage image = canvas(size, size);
    paint(image, [&](QPainter &p) { draw(p, size); });
    save(image, name);
}

// --- the welcome window's three pages (1024 x 718, buttons lie over them) ---

const QSize kPageSize(1024, 718);

// Plates behind the welcome window's flat buttons, at the buttons' own rectangles.
void drawPlate(QPainter &p, const QRect &r, bool primary)
{
    p.setPen(primary ? QPen(kAccent.darker(125), 1) : QPen(QColor(255, 255, 255, 200), 1.5));
    p.setBrush(primary ? kAccent : QColor(255, 255, 255, 40));
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

void drawPageBackground(QPainter &p)
{
    QLinearGradient sky(0, 0, 0, kPageSize.height());
    sky.setColorAt(0, kTitleBlue);
    sky.setColorAt(1, kDeepBlue);
    p.fillRect(QRect(QPoint(0, 0), kPageSize), sky);
    // A faint grid of network lines in the background.
    p.setPen(QPen(QColor(255, 255, 255, 14), 1));
    for (int x = -300; x < kPageSize.width(); x += 48)
        p.drawLine(x, kPageSize.height(), x + 300, 0);
}

void drawHeading(QPainter &p, const QString &kicker, const QString &title)
{
    p.setPen(QColor(0x9f, 0xd4, 0xec));
    p.setFont(font(15, true));
    p.drawText(QPoint(72, 78), kicker.toUpper());
    p.setPen(Qt::white);
    p.setFont(font(34, true));
    p.drawText(QPoint(70, 124), title);
}

void drawParagraph(QPainter &p, const QRect &r, const QString &text, int pixelSize = 16,
                   const QColor &colour = QColor(0xdd, 0xe8, 0xf1))
{
    p.setPen(colour);
    p.setFont(font(pixelSize));
    p.drawText(r, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
}

// A gateway drawn as a small DIN-rail box with status lights.
void drawGateway(QPainter &p, const QPointF &at, const QColor &led)
{
    const QRectF box(at.x() - 34, at.y() - 44, 68, 88);
    QLinearGradient face(box.topLeft(), box.topRight());
    face.setColorAt(0, QColor(0xe9, 0xed, 0xf1));
    face.setColorAt(1, QColor(0xc9, 0xd1, 0xd9));
    p.setPen(QPen(QColor(0x2c, 0x3e, 0x50), 1.5));
    p.setBrush(face);
    p.drawRoundedRect(box, 6, 6);
    p.setBrush(kTitleBlue);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(box.left() + 8, box.top() + 10, box.width() - 16, 14));
    p.save();
    p.translate(box.left() + 10, box.top() + 34);
    drawLed(p, 12, led);
    p.translate(16, 0);
    drawLed(p, 12, kGreen);
    p.restore();
    p.setPen(QPen(QColor(0x2c, 0x3e, 0x50), 1));
    p.setBrush(QColor(0x44, 0x4c, 0x55));
    for (int port = 0; port < 2; ++port)
        p.drawRect(QRectF(box.left() + 10 + port * 26, box.bottom() - 26, 20, 14));
}

void drawComputer(QPainter &p, const QPointF &at)
{
    const QRectF screen(at.x() - 70, at.y() - 56, 140, 92);
    p.setPen(QPen(QColor(0x2c, 0x3e, 0x50), 2));
    p.setBrush(QColor(0x1b, 0x27, 0x33));
    p.drawRoundedRect(screen, 6, 6);
    p.fillRect(screen.adjusted(8, 8, -8, -8), kPaper);
    const QRectF inner = screen.adjusted(8, 8, -8, -8);
    p.fillRect(QRectF(inner.left(), inner.top(), inner.width(), 12), kTitleBlue);
    for (int row = 0; row < 4; ++row) {
        const qreal y = inner.top() + 18 + row * 14;
        p.fillRect(QRectF(inner.left() + 6, y, 50, 6), QColor(0xb8, 0xc2, 0xcc));
        p.save();
        p.translate(inner.right() - 18, y - 3);
        drawLed(p, 11, row == 2 ? kAmber : kGreen);
        p.restore();
    }
    p.setBrush(QColor(0x44, 0x4c, 0x55));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(at.x() - 12, screen.bottom(), 24, 16));
    p.drawRoundedRect(QRectF(at.x() - 44, screen.bottom() + 14, 88, 8), 3, 3);
}

void drawWelcomePage()
{
    QImage image(kPageSize, QImage::Format_RGB32);
    paint(image, [](QPainter &p) {
        drawPageBackground(p);
        p.save();
        p.translate(100, 150);
        drawMark(p, 96, false);
        p.restore();
        p.setPen(Qt::white);
        p.setFont(font(52, true));
        p.drawText(QPoint(96, 330), QStringLiteral("Ardentix Toolbox"));
        drawParagraph(p, QRect(100, 356, 420, 120),
                      QStringLiteral("Find the Ardentix protocol gateways on the networks of this PC, "
                                     "keep your favourites at hand and open, diagnose and look after "
                                     "each device from one live table."), 18);

        // The illustration: the PC in the middle of a small network of gateways.
        const QPointF pc(770, 330);
        const QPointF gateways[] = {{620, 160}, {920, 170}, {600, 520}, {930, 500}};
        const QColor leds[] = {kGreen, kGreen, kBlue, kAmber};
        p.setPen(QPen(QColor(0x9f, 0xd4, 0xec, 160), 3, Qt::DashLine, Qt::RoundCap));
        for (const QPointF &g : gateways)
            p.drawLine(pc, g);
        for (int i = 0; i < 4; ++i)
            drawGateway(p, gateways[i], leds[i]);
        drawComputer(p, pc);

        drawPlate(p, QRect(102, 568, 128, 37), true);
        drawPlate(p, QRect(240, 568, 128, 37), false);
        // A light strip under the "Show on startup" box, whose text is dark.
        p.fillRect(QRect(0, 660, kPageSize.width(), 58), QColor(0xe9, 0xee, 0xf3));
        p.fillRect(QRect(0, 660, kPageSize.width(), 3), kAccent);
    });
    save(image, "splash.jpg", 92);
}

void drawTourFooter(QPainter &p, int page)
{
    p.fillRect(QRect(0, 640, kPageSize.width(), 78), QColor(0, 0, 0, 60));
    p.setPen(QColor(0xdd, 0xe8, 0xf1));
    p.setFont(font(14));
    p.drawText(QPoint(70, 682), QStringLiteral("Tour, page %1 of 2").arg(page));
    for (int dot = 0; dot < 2; ++dot) {
        p.setPen(Qt::NoPen);
        p.setBrush(dot + 1 == page ? QColor(Qt::white) : QColor(255, 255, 255, 90));
        p.drawEllipse(QPointF(230 + dot * 18, 677), 5, 5);
    }
}

// A miniature of the main window's table, as the tour explains it.
void drawTableSketch(QPainter &p, const QRect &r)
{
    p.setPen(QPen(QColor(0x2c, 0x3e, 0x50), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, 6, 6);
    const QRect header(r.left() + 1, r.top() + 1, r.width() - 2, 30);
    p.fillRect(header, QColor(0xe3, 0xe8, 0xed));
    p.setPen(kTitleBlue);
    p.setFont(font(11, true));
    const int colTitle = r.left() + 14, colIp = r.left() + 190, colFav = r.left() + 330,
              colConn = r.left() + 410, colTools = r.left() + 500;
    p.drawText(QPoint(colTitle, header.top() + 20), QStringLiteral("DEVICES"));
    p.save();
    p.translate(colTitle + 84, header.top() + 7);
    drawPlus(p, 16, false);
    p.restore();
    p.drawText(QPoint(colIp, header.top() + 20), QStringLiteral("IP ADDRESS"));
    p.drawText(QPoint(colFav - 12, header.top() + 20), QStringLiteral("FAVORITE"));
    p.drawText(QPoint(colConn - 18, header.top() + 20), QStringLiteral("CONNECTIVITY"));

    struct Row { const char *title; const char *ip; bool favourite; QColor led; QColor lock; bool lost; };
    const Row rows[] = {
        {"Boiler house gateway", "10.20.0.11", true, kGreen, kGreen, false},
        {"Line 2 gateway", "10.20.0.24", false, kBlue, kAmber, false},
        {"Packing gateway", "10.20.0.37", false, kAmber, kGrey, false},
        {"Store room gateway", "10.20.0.52", true, kRed, kGrey, true},
    };
    int y = header.bottom() + 1;
    for (const Row &row : rows) {
        p.setPen(QPen(QColor(0xe3, 0xe8, 0xed), 1));
        p.drawLine(r.left() + 1, y + 40, r.right() - 1, y + 40);
        p.setPen(kInk);
        p.setFont(font(12));
        p.drawText(QPoint(colTitle, y + 25), QString::fromLatin1(row.title));
        p.drawText(QPoint(colIp, y + 25), QString::fromLatin1(row.ip));
        p.save();
        p.translate(colFav + 10, y + 12);
        drawStar(p, 16, row.favourite);
        p.translate(colConn - colFav + 14, 0);
        drawLed(p, 16, row.led);
        p.restore();
        if (row.lost)
            drawBadge(p, QRectF(colTools, y + 12, 44, 16), QStringLiteral("LOST"), kAmber.darker(115));
        p.save();
        p.translate(colTools + 50, y + 12);
        drawLock(p, 16, row.lock);
        p.restore();
        p.setPen(QPen(QColor(0xa0, 0xa8, 0xb0), 1));
        p.setBrush(row.lost ? QColor(0xee, 0xee, 0xee) : QColor(0xf7, 0xf9, 0xfb));
        p.drawRoundedRect(QRectF(colTools + 72, y + 9, 62, 22), 3, 3);
        p.setPen(row.lost ? kGrey : kInk);
        p.setFont(font(11));
        p.drawText(QRectF(colTools + 72, y + 9, 62, 22), Qt::AlignCenter, QStringLiteral("Connect"));
        p.save();
        p.translate(colTools + 140, y + 12);
        drawPulse(p, 16);
        p.restore();
        y += 41;
    }
}

void drawLegendLine(QPainter &p, int x, int y, const std::function<void(QPainter &)> &icon, const QString &text)
{
    p.save();
    p.translate(x, y - 13);
    icon(p);
    p.restore();
    p.setPen(QColor(0xdd, 0xe8, 0xf1));
    p.setFont(font(15));
    p.drawText(QPoint(x + 28, y), text);
}

void drawTourPageOne()
{
    QImage image(kPageSize, QImage::Format_RGB32);
    paint(image, [](QPainter &p) {
        drawPageBackground(p);
        drawHeading(p, QStringLiteral("Take the tour"), QStringLiteral("One live table of your gateways"));
        drawParagraph(p, QRect(72, 144, 880, 60),
                      QStringLiteral("Every gateway that answers discovery gets a row, sorted by address. "
                                     "Rows refresh every second; a device that goes quiet is marked lost, "
                                     "then offline, and leaves the table unless it is a favourite."));
        drawTableSketch(p, QRect(72, 222, 680, 196));

        const int x = 790;
        p.setPen(Qt::white);
        p.setFont(font(17, true));
        p.drawText(QPoint(x, 240), QStringLiteral("Connectivity"));
        drawLegendLine(p, x, 272, [](QPainter &q) { drawLed(q, 18, kGreen); }, QStringLiteral("Full connectivity"));
        drawLegendLine(p, x, 300, [](QPainter &q) { drawLed(q, 18, kBlue); }, QStringLiteral("Limited IP"));
        drawLegendLine(p, x, 328, [](QPainter &q) { drawLed(q, 18, kAmber); }, QStringLiteral("Limited"));
        drawLegendLine(p, x, 356, [](QPainter &q) { drawLed(q, 18, kRed); }, QStringLiteral("Connectivity lost"));
        drawLegendLine(p, x, 384, [](QPainter &q) { drawLed(q, 18, kGrey); }, QStringLiteral("Suspended"));

        p.setPen(Qt::white);
        p.setFont(font(17, true));
        p.drawText(QPoint(72, 470), QStringLiteral("Security at a glance"));
        drawLegendLine(p, 72, 504, [](QPainter &q) { drawLock(q, 18, kGreen); }, QStringLiteral("Full Security"));
        drawLegendLine(p, 300, 504, [](QPainter &q) { drawLock(q, 18, kAmber); }, QStringLiteral("Limited Security"));
        drawLegendLine(p, 548, 504, [](QPainter &q) { drawLock(q, 18, kGrey); }, QStringLiteral("Security Disabled"));
        drawParagraph(p, QRect(72, 528, 880, 80),
                      QStringLiteral("Gateways with secure web access show a lock beside their Connect button. "
                                     "Connect then opens the device's web interface over HTTPS."));

        drawTourFooter(p, 1);
        drawPlate(p, QRect(762, 657, 128, 37), true);
        drawPlate(p, QRect(899, 658, 69, 37), false);
    });
    save(image, "tour_p1_secure.jpg", 92);
}

void drawStep(QPainter &p, const QPoint &at, const std::function<void(QPainter &)> &icon,
              const QString &title, const QString &text)
{
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.setBrush(QColor(255, 255, 255, 18));
    p.drawRoundedRect(QRectF(at.x(), at.y(), 420, 120), 10, 10);
    p.save();
    p.translate(at.x() + 20, at.y() + 20);
    icon(p);
    p.restore();
    p.setPen(Qt::white);
    p.setFont(font(18, true));
    p.drawText(QPoint(at.x() + 76, at.y() + 40), title);
    drawParagraph(p, QRect(at.x() + 76, at.y() + 52, 326, 64), text, 14);
}

void drawTourPageTwo()
{
    QImage image(kPageSize, QImage::Format_RGB32);
    paint(image, [](QPainter &p) {
        drawPageBackground(p);
        drawHeading(p, QStringLiteral("Take the tour"), QStringLiteral("Working with a device"));
        drawStep(p, QPoint(72, 170), [](QPainter &q) { drawMark(q, 40, false); }, QStringLiteral("Connect"),
                 QStringLiteral("Opens the device's web interface in your browser. "
                                "Right-click it for the KOVNET tool."));
        drawStep(p, QPoint(532, 170), [](QPainter &q) { drawPulse(q, 40); }, QStringLiteral("Diagnose"),
                 QStringLiteral("Runs a snapshot or a capture on the device and collects its files "
                                "and logs into one zip archive."));
        drawStep(p, QPoint(72, 320), [](QPainter &q) { drawPlus(q, 40, false); }, QStringLiteral("Add by address"),
                 QStringLiteral("Click the plus in the table header to add a device by its IPv4 address, "
                                "for gateways behind a router."));
        drawStep(p, QPoint(532, 320), [](QPainter &q) { drawStar(q, 40, true); }, QStringLiteral("Favourites"),
                 QStringLiteral("Star a device to keep it in the table across restarts, "
                                "even while it is offline."));
        drawStep(p, QPoint(72, 470), [](QPainter &q) { drawGear(q, 40); }, QStringLiteral("Setup"),
                 QStringLiteral("Settings profiles hold the working and tools folders, the browser "
                                "and the timing of discovery."));
        drawStep(p, QPoint(532, 470), [](QPainter &q) { drawQuestion(q, 40); }, QStringLiteral("Help"),
                 QStringLiteral("The Help button opens the help page, this tour and how to reach us."));

        drawTourFooter(p, 2);
        drawPlate(p, QRect(755, 657, 82, 37), false);
        drawPlate(p, QRect(845, 657, 128, 37), true);
    });
    save(image, "tour_p2.jpg", 92);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s IMAGES_DIR\n", argv[0]);
        return 2;
    }
    outputDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(outputDir)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    writeIcon("blank.png", 16, [](QPainter &, qreal) {});
    writeIcon("button_plus1.png", 16, [](QPainter &p, qreal s) { drawPlus(p, s, false); });
    writeIcon("button_plus2.png", 16, [](QPainter &p, qreal s) { drawPlus(p, s, true); });
    writeIcon("button_star1.png", 16, [](QPainter &p, qreal s) { drawStar(p, s, false); });
    writeIcon("button_star2.png", 16, [](QPainter &p, qreal s) { drawStar(p, s, true); });
    writeIcon("icon_remote.png", 16, [](QPainter &p, qreal s) { drawGlobe(p, s); });
    writeIcon("button_colour1.png", 16, [](QPainter &p, qreal s) { drawLed(p, s, kGreen); });
    writeIcon("button_colour2.png", 16, [](QPainter &p, qreal s) { drawLed(p, s, kAmber); });
    writeIcon("button_colour3.png", 16, [](QPainter &p, qreal s) { drawLed(p, s, kRed); });
    writeIcon("button_colour4.png", 16, [](QPainter &p, qreal s) { drawLed(p, s, kBlue); });
    writeIcon("button_colour5.png", 16, [](QPainter &p, qreal s) { drawLed(p, s, kGrey); });
    writeIcon("warning.png", 16, [](QPainter &p, qreal s) { drawWarning(p, s); });
    writeIcon("alert.png", 16, [](QPainter &p, qreal s) { drawAlert(p, s); });
    writeIcon("mini_kovnet.png", 16, [](QPainter &p, qreal s) { drawTransfer(p, s); });
    writeIcon("recovery.png", 16, [](QPainter &p, qreal s) { drawLifebuoy(p, s); });
    writeIcon("diagnose.png", 16, [](QPainter &p, qreal s) { drawPulse(p, s); });
    writeIcon("green_lock.png", 16, [](QPainter &p, qreal s) { drawLock(p, s, kGreen); });
    writeIcon("yellow_lock.png", 16, [](QPainter &p, qreal s) { drawLock(p, s, kAmber); });
    writeIcon("grey_lock.png", 16, [](QPainter &p, qreal s) { drawLock(p, s, kGrey); });

    // The title bar's mark, with room on its right so it clears the frame's edge.
    QImage logo = canvas(72, 56);
    paint(logo, [](QPainter &p) { drawMark(p, 56, false); });
    save(logo, "logo.png");

    QImage newBadge = canvas(44, 18);
    paint(newBadge, [](QPainter &p) { drawBadge(p, QRectF(0, 0, 44, 18), QStringLiteral("NEW"), kGreen); });
    save(newBadge, "new_device.png");
    QImage lostBadge = canvas(44, 18);
    paint(lostBadge, [](QPainter &p) { drawBadge(p, QRectF(0, 0, 44, 18), QStringLiteral("LOST"), kAmber.darker(115)); });
    save(lostBadge, "lost_device.png");

    QImage icon = canvas(48, 48);
    paint(icon, [](QPainter &p) { drawMark(p, 48, false); });
    save(icon, "icon.ico");

    drawWelcomePage();
    drawTourPageOne();
    drawTourPageTwo();
    return allWritten ? 0 : 1;
}
