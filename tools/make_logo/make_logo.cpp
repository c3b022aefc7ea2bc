// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the banner clip shown at the top of the main window and writes it as an RLE8 AVI.
//
//   make_logo OUT.avi [--png-dir DIR]
//
// --png-dir also saves every quantized frame as DIR/frame_NN.png, to look at the art.
// Nothing depends on time or randomness: with the same Qt and DejaVu fonts, every run writes
// the same bytes.

#include "avi_writer.h"

#include <QColor>
#include <QConicalGradient>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>

#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kWidth = 636;
constexpr int kHeight = 90;
constexpr int kFrames = 32;
constexpr int kFrameMicroseconds = 80000;

// The art's own colours; the fixed palette is built around them.
const QColor kBgTop(13, 20, 38);
const QColor kBgMid(21, 34, 62);
const QColor kBgBottom(7, 11, 23);
const QColor kAccent(64, 190, 235);
const QColor kTitleTop(226, 234, 248);
const QColor kTitleBottom(150, 172, 210);
const QColor kSheen(178, 238, 255);
const QColor kSubtitle(138, 160, 196);

const char* const kTitle = "ZNK Tool";
const char* const kSubtitleText = "server browser \u00b7 create server \u00b7 bots \u00b7 music";

uint32_t Rgb(int r, int g, int b)
{
    return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

QColor Mix(const QColor& a, const QColor& b, double t)
{
    auto lerp = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()));
}

// A 6x6x6 cube for anything, plus ramps where the art needs fine steps: the dark background
// gradient, the blends of accent and title colours into it (glows and text edges), and the
// light band crossing the title, all of which the cube alone would band badly.
std::array<uint32_t, 256> MakePalette()
{
    std::array<uint32_t, 256> p{};
    int n = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p[n++] = Rgb(r * 51, g * 51, b * 51);
    auto ramp = [&](const QColor& from, const QColor& to, int steps, bool withFrom) {
        for (int i = withFrom ? 0 : 1; i <= steps; ++i)
            p.at(n++) = Mix(from, to, double(i) / steps).rgb() & 0xFFFFFF;
    };
    ramp(QColor(5, 8, 17), QColor(26, 41, 74), 13, true); // 14 entries
    ramp(kBgMid, kAccent, 10, false);
    ramp(kBgMid, kTitleTop, 10, false);
    ramp(Mix(kTitleTop, kTitleBottom, 0.5), kSheen, 6, false);
    return p;
}

// Nearest palette entry by a weighted RGB distance (green counts most, as the eye sees it).
class Quantizer {
public:
    explicit Quantizer(const std::array<uint32_t, 256>& palette) : palette_(palette) {}

    uint8_t Index(QRgb c)
    {
        const uint32_t key = c & 0xFFFFFF;
        auto it = cache_.find(key);
        if (it != cache_.end())
            return it->second;
        const int r = qRed(c), g = qGreen(c), b = qBlue(c);
        int best = 0;
        long bestDist = -1;
        for (int i = 0; i < 256; ++i) {
            const int dr = r - int(palette_[i] >> 16 & 255);
            const int dg = g - int(palette_[i] >> 8 & 255);
            const int db = b - int(palette_[i] & 255);
            const long d = 3L * dr * dr + 6L * dg * dg + 2L * db * db;
            if (bestDist < 0 || d < bestDist) {
                bestDist = d;
                best = i;
            }
        }
        cache_.emplace(key, static_cast<uint8_t>(best));
        return static_cast<uint8_t>(best);
    }

private:
    const std::array<uint32_t, 256>& palette_;
    std::unordered_map<uint32_t, uint8_t> cache_;
};

struct Fonts {
    QFont title;
    QFont subtitle;
};

Fonts LoadFonts()
{
    // Loading the files directly keeps the output independent of fontconfig's choices.
    QString family = QStringLiteral("DejaVu Sans");
    for (const char* file :
         {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"}) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
        if (!families.isEmpty())
            family = families.first();
    }
    Fonts f;
    f.title = QFont(family);
    f.title.setPixelSize(40);
    f.title.setBold(true);
    f.title.setHintingPreference(QFont::PreferNoHinting);
    f.title.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    f.subtitle = QFont(family);
    f.subtitle.setPixelSize(13);
    f.subtitle.setHintingPreference(QFont::PreferNoHinting);
    f.subtitle.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    return f;
}

constexpr QPointF kRadarCentre(46.5, 45.0);
constexpr double kRadarRadius = 33.0;

void DrawRadar(QPainter& p, double phase)
{
    p.save();
    QPainterPath disc;
    disc.addEllipse(kRadarCentre, kRadarRadius, kRadarRadius);
    p.setClipPath(disc);

    QRadialGradient face(kRadarCentre, kRadarRadius);
    face.setColorAt(0.0, QColor(18, 44, 70));
    face.setColorAt(1.0, QColor(9, 18, 34));
    p.fillPath(disc, face);

    QColor faint = kAccent;
    faint.setAlpha(60);
    p.setPen(QPen(faint, 1.0));
    p.setBrush(Qt::NoBrush);
    for (double r : {11.0, 22.0})
        p.drawEllipse(kRadarCentre, r, r);
    p.drawLine(QPointF(kRadarCentre.x() - kRadarRadius, kRadarCentre.y()),
               QPointF(kRadarCentre.x() + kRadarRadius, kRadarCentre.y()));
    p.drawLine(QPointF(kRadarCentre.x(), kRadarCentre.y() - kRadarRadius),
               QPointF(kRadarCentre.x(), kRadarCentre.y() + kRadarRadius));

    // Qt measures conical angles counter-clockwise; the beam turns clockwise, so the fading
    // trail lies on the counter-clockwise side of the beam.
    const double beam = -360.0 * phase;
    QConicalGradient trail(kRadarCentre, beam);
    QColor head = kAccent;
    head.setAlpha(170);
    QColor tail = kAccent;
    tail.setAlpha(0);
    trail.setColorAt(0.0, head);
    trail.setColorAt(0.22, tail);
    trail.setColorAt(1.0, tail);
    p.fillPath(disc, trail);

    // Contacts flare as the beam passes and fade over the following turn.
    struct Contact {
        double angle, radius;
    };
    for (const Contact& c : {Contact{40.0, 20.0}, Contact{160.0, 26.0}, Contact{285.0, 13.0}}) {
        // How far the beam has turned (clockwise, in degrees) since it crossed the contact.
        double since = std::fmod(c.angle - beam, 360.0);
        if (since < 0)
            since += 360.0;
        const double glow = std::pow(1.0 - since / 360.0, 3.0);
        const double rad = c.angle * std::numbers::pi / 180.0;
        const QPointF at(kRadarCentre.x() + c.radius * std::cos(rad), kRadarCentre.y() - c.radius * std::sin(rad));
        QColor dot(255, 196, 92);
        dot.setAlphaF(0.15 + 0.85 * glow);
        p.setPen(Qt::NoPen);
        p.setBrush(dot);
        p.drawEllipse(at, 2.2, 2.2);
    }

    const double rad = beam * std::numbers::pi / 180.0;
    p.setPen(QPen(QColor(150, 230, 255), 1.4));
    p.drawLine(kRadarCentre, QPointF(kRadarCentre.x() + kRadarRadius * std::cos(rad),
                                     kRadarCentre.y() - kRadarRadius * std::sin(rad)));
    p.restore();

    p.setPen(QPen(kAccent, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(kRadarCentre, kRadarRadius - 1.0, kRadarRadius - 1.0);
}

// A faint web of hosts on the right balances the title; one ping ring spreads per loop.
void DrawNetwork(QPainter& p, double phase)
{
    static constexpr QPointF nodes[] = {{468, 30}, {500, 58}, {530, 22}, {548, 50}, {578, 70},
                                        {590, 32}, {618, 54}, {612, 14}, {450, 66}};
    static constexpr int links[][2] = {{0, 1}, {0, 2}, {1, 3}, {2, 3}, {3, 4}, {3, 5},
                                       {5, 6}, {5, 7}, {4, 6}, {1, 8}, {2, 7}};
    QColor line = kAccent;
    line.setAlpha(46);
    p.setPen(QPen(line, 1.0));
    for (const auto& l : links)
        p.drawLine(nodes[l[0]], nodes[l[1]]);

    const QPointF& hub = nodes[3];
    const double r = 4.0 + 26.0 * phase;
    QColor ring = kAccent;
    ring.setAlphaF(0.55 * (1.0 - phase));
    p.setPen(QPen(ring, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(hub, r, r);

    p.setPen(Qt::NoPen);
    for (const QPointF& n : nodes) {
        QColor dot = kAccent;
        dot.setAlpha(&n == &hub ? 230 : 120);
        p.setBrush(dot);
        p.drawEllipse(n, 2.0, 2.0);
    }
}

QImage RenderFrame(int frame, const Fonts& fonts)
{
    const double phase = double(frame) / kFrames;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient bg(0, 0, 0, kHeight);
    bg.setColorAt(0.0, kBgTop);
    bg.setColorAt(0.55, kBgMid);
    bg.setColorAt(1.0, kBgBottom);
    p.fillRect(image.rect(), bg);
    // A hairline of light along the top edge and the accent along the bottom frame the strip.
    p.fillRect(QRect(0, 0, kWidth, 1), QColor(40, 60, 98));
    QLinearGradient rule(0, 0, kWidth, 0);
    QColor edge = kAccent;
    edge.setAlpha(0);
    rule.setColorAt(0.0, kAccent);
    rule.setColorAt(0.7, QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 90));
    rule.setColorAt(1.0, edge);
    p.fillRect(QRect(0, kHeight - 2, kWidth, 2), rule);

    DrawRadar(p, phase);
    DrawNetwork(p, phase);

    const double textX = 96.0;
    QPainterPath title;
    title.addText(textX, 50.0, fonts.title, QString::fromUtf8(kTitle));
    QLinearGradient titleFill(0, 20, 0, 50);
    titleFill.setColorAt(0.0, kTitleTop);
    titleFill.setColorAt(1.0, kTitleBottom);
    p.setPen(Qt::NoPen);
    p.fillPath(title, titleFill);

    // A slanted band of light crosses the title in the first part of the loop, then rests.
    const QRectF tb = title.boundingRect();
    const int sweepFrames = 18;
    if (frame < sweepFrames) {
        const double t = double(frame) / (sweepFrames - 1);
        const double cx = tb.left() - 40.0 + t * (tb.width() + 80.0);
        QLinearGradient sheen(cx - 26.0, tb.top(), cx + 10.0, tb.bottom());
        QColor clear = kSheen;
        clear.setAlpha(0);
        sheen.setColorAt(0.0, clear);
        sheen.setColorAt(0.5, kSheen);
        sheen.setColorAt(1.0, clear);
        p.fillPath(title, sheen);
    }

    p.setFont(fonts.subtitle);
    p.setPen(kSubtitle);
    p.drawText(QPointF(textX + 2.0, 74.0), QString::fromUtf8(kSubtitleText));

    QLinearGradient line(textX + 2.0, 0, textX + 330.0, 0);
    line.setColorAt(0.0, kAccent);
    line.setColorAt(1.0, edge);
    p.fillRect(QRectF(textX + 2.0, 57.0, 328.0, 1.0), line);
    p.end();
    return image;
}

int Fail(const QString& message)
{
    std::fprintf(stderr, "make_logo: %s\n", message.toLocal8Bit().constData());
    return 1;
}

// Qt's start-up notes (no runtime folder and the like) are noise for a build step, which
// should print nothing when it succeeds; real failures are reported below.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "make_logo: %s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(QuietMessages);
    // A build machine has no display; the art needs none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments().mid(1);
    QString out, pngDir;
    bool usage = false;
    for (int i = 0; i < args.size() && !usage; ++i) {
        if (args[i] == QLatin1String("--png-dir") && i + 1 < args.size())
            pngDir = args[++i];
        else if (out.isEmpty() && !args[i].startsWith(QLatin1Char('-')))
            out = args[i];
        else
            usage = true;
    }
    if (usage || out.isEmpty()) {
        std::fprintf(stderr, "usage: make_logo OUT.avi [--png-dir DIR]\n");
        return 2;
    }
    if (!pngDir.isEmpty() && !QDir().mkpath(pngDir))
        return Fail(QStringLiteral("cannot create %1").arg(pngDir));

    const std::array<uint32_t, 256> palette = MakePalette();
    Quantizer quantizer(palette);
    const Fonts fonts = LoadFonts();
    std::vector<std::vector<uint8_t>> frames;
    for (int f = 0; f < kFrames; ++f) {
        const QImage art = RenderFrame(f, fonts);
        std::vector<uint8_t> indices(size_t(kWidth) * kHeight);
        for (int y = 0; y < kHeight; ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(art.constScanLine(y));
            for (int x = 0; x < kWidth; ++x)
                indices[size_t(y) * kWidth + size_t(x)] = quantizer.Index(row[x]);
        }
        if (!pngDir.isEmpty()) {
            QImage shown(kWidth, kHeight, QImage::Format_Indexed8);
            QList<QRgb> table;
            for (uint32_t c : palette)
                table.push_back(0xFF000000u | c);
            shown.setColorTable(table);
            for (int y = 0; y < kHeight; ++y)
                std::copy_n(indices.data() + size_t(y) * kWidth, kWidth, shown.scanLine(y));
            const QString name = QDir(pngDir).filePath(QStringLiteral("frame_%1.png").arg(f, 2, 10, QLatin1Char('0')));
            if (!shown.save(name))
                return Fail(QStringLiteral("cannot write %1").arg(name));
        }
        frames.push_back(std::move(indices));
    }

    std::string error;
    if (!WriteAviFile(QFile::encodeName(out).toStdString(), kWidth, kHeight, kFrameMicroseconds, frames, palette, true,
                      &error))
        return Fail(QString::fromStdString(error));
    return 0;
}
