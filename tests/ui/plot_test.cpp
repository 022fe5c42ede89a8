// The fitness plot pixel by pixel: coordinates, colours, markers, the threshold
// line, erasing by over-drawing, and the picture after a Begin.
#include <optional>
#include <set>

#include "numtext.h"
#include "window_fixture.h"

namespace quillmar::uitest {
namespace {

using testing::i16;

// The device-pixel box of the marker of species i at fitness f, which runs to
// (i + 0.2, f + 0.2) in user units.
QRect markerBox(const PlotWidget& p, int i, double f)
{
    const QPoint low = p.devicePoint(static_cast<float>(i), static_cast<float>(f));
    const QPoint high = p.devicePoint(static_cast<float>(i + 0.2), static_cast<float>(f + 0.2));
    return QRect(QPoint(low.x(), high.y()), QPoint(high.x(), low.y()));
}

std::vector<QPoint> changed(const QImage& a, const QImage& b)
{
    std::vector<QPoint> out;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                out.emplace_back(x, y);
    return out;
}

// A plot of Picture1's size, set up for `num` species and cleared.
struct BarePlot {
    explicit BarePlot(int num)
    {
        plot.resize(8535 / 15, 7095 / 15);
        plotSetup(plot, i16(num));
        plot.clear();
        blank = plot.image().copy();
    }
    QObject context;
    ErrorBoundary boundary{context, {}, [](const QString& m) { ADD_FAILURE() << m.toStdString(); }};
    PlotWidget plot{nullptr, boundary};
    QImage blank;
};

struct Shape {
    const char* name;
    int num, species;  // species -1: the threshold line
    double y;          // the marker's fitness or the line's height
    friend void PrintTo(const Shape& row, std::ostream* os) { *os << row.name; }
};

class DrawAndErase : public ::testing::TestWithParam<Shape> {};

TEST_P(DrawAndErase, InkStaysInTheShapeAndBackgroundErasesIt)
{
    const auto [name, num, i, y] = GetParam();
    BarePlot bare(num);
    PlotWidget& p = bare.plot;
    const int w = p.image().width(), h = p.image().height();
    // The user range covers the whole inner area.
    EXPECT_EQ(p.devicePoint(-1, 10), QPoint(0, 0));
    EXPECT_EQ(p.devicePoint(num + 2, 0), QPoint(w, h));
    const auto draw = [&](std::optional<Colour> c) {
        if (i < 0)
            thresholdLine(p, y, i16(num), c);
        else
            speciesMarker(p, i16(i), y, c.value_or(Colour::black()));
    };
    const QRect shape =
        i < 0 ? QRect(0, p.devicePoint(-1, static_cast<float>(y)).y(), w, 1) : markerBox(p, i, y);
    const QRgb ink = i < 0 ? p.palette().color(QPalette::ButtonText).rgb() : qRgb(0, 0, 0);
    draw(std::nullopt);
    const std::vector<QPoint> drawn = changed(bare.blank, p.image());
    ASSERT_FALSE(drawn.empty());
    for (const QPoint& px : drawn)
        EXPECT_TRUE(shape.contains(px) && p.image().pixel(px) == ink) << px.x() << "," << px.y();
    EXPECT_TRUE(i >= 0 || static_cast<int>(drawn.size()) == w) << "the line spans the full width";
    // Every corner shows unless cut off at the top; a box at 0 rests on the bottom edge.
    for (const QPoint c : {shape.topLeft(), shape.topRight(), shape.bottomLeft(), shape.bottomRight()}) {
        if (c.y() < 0) {
            EXPECT_GT(y + 0.2, 10.0) << "cut off although below the top";
        } else {
            EXPECT_EQ(p.image().pixel(c.x(), std::min(c.y(), h - 1)), ink);
        }
    }
    draw(Colour::buttonFace());
    EXPECT_EQ(p.image(), bare.blank);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Shapes, DrawAndErase, ::testing::Values(
    Shape{"FirstAtZero", 50, 0, 0.0},           Shape{"FirstCutOffAtTop", 50, 0, 9.9},
    Shape{"Middle", 50, 25, 5.0},               Shape{"LastJustBelowTop", 50, 49, 9.79},
    Shape{"LastLow", 50, 49, 0.05},             Shape{"WideRingFirst", 32765, 0, 0.0},
    Shape{"WideRingMiddle", 32765, 16000, 4.2}, Shape{"WideRingLastAtTop", 32765, 32764, 9.9},
    Shape{"LineLow", 50, -1, 0.5},              Shape{"LineHigh", 50, -1, 9.95},
    Shape{"LineWideRing", 32765, -1, 5.0}),
    testing::rowName);
// clang-format on

TEST(PlotPrimitives, NeighbouringMarkersNeverShareAPixel)
{
    BarePlot bare(50);
    for (int i = 0; i + 1 < 50; ++i)
        EXPECT_GT(markerBox(bare.plot, i + 1, 3.0).left(), markerBox(bare.plot, i, 3.0).right()) << i;
}

TEST(PlotPrimitives, ErasingAMarkerAcrossTheLineCutsOnlyThatPieceUntilTheLineIsDrawnAgain)
{
    BarePlot bare(50);
    PlotWidget& p = bare.plot;
    thresholdLine(p, 4.1, i16(50));
    const QImage withLine = p.image().copy();
    speciesMarker(p, i16(20), 4.0, Colour::red());
    speciesMarker(p, i16(20), 4.0, Colour::buttonFace());
    const std::vector<QPoint> cut = changed(withLine, p.image());
    ASSERT_FALSE(cut.empty());
    for (const QPoint& px : cut)
        EXPECT_TRUE(markerBox(p, 20, 4.0).contains(px) &&
                    p.image().pixel(px) == p.toRgb(Colour::buttonFace()));
    // The next pass draws the same line again, and it is whole again.
    thresholdLine(p, 4.1, i16(50));
    EXPECT_EQ(p.image(), withLine);
}

TEST(PlotPrimitives, ColoursAndClear)
{
    BarePlot bare(50);
    const PlotWidget& p = bare.plot;
    const QRgb face = p.palette().color(QPalette::Button).rgb();
    // clang-format off
    const std::pair<Colour, QRgb> colours[] = {
        {Colour::black(), qRgb(0, 0, 0)}, {Colour::red(), qRgb(255, 0, 0)}, {Colour::rgb(0x00ff00), qRgb(0, 255, 0)},
        {Colour::rgb(0xff0000), qRgb(0, 0, 255)}, {Colour::rgb(0x123456), qRgb(0x56, 0x34, 0x12)},
        {Colour::buttonFace(), face}, {Colour::buttonText(), p.palette().color(QPalette::ButtonText).rgb()}};
    // clang-format on
    for (const auto& [colour, rgb] : colours)
        EXPECT_EQ(p.toRgb(colour), rgb) << static_cast<int>(colour.kind) << " " << colour.value;
    QImage cleared(p.contentsRect().size() * p.devicePixelRatio(), p.image().format());
    cleared.fill(face);
    EXPECT_EQ(p.image(), cleared);
}

struct BeginCase {
    const char* name;
    const char* count;
    int num;
    friend void PrintTo(const BeginCase& row, std::ostream* os) { *os << row.name; }
};

class BeginPicture : public WindowTest, public ::testing::WithParamInterface<BeginCase> {};

// After Begin and its first generation each species shows one marker at its
// fitness, red for the three the generation changed and black for the rest; the
// threshold line runs across; nothing else is on the plot.
TEST_P(BeginPicture, OneMarkerPerSpeciesAndTheThresholdLine)
{
    type("txtNumPts", QString::fromLatin1(GetParam().count));
    click(c->command1);
    ASSERT_TRUE(fatals.isEmpty() && messages.isEmpty());
    const Simulation& s = win->simulation();
    const int num = GetParam().num;
    ASSERT_EQ(s.num.toInt(), num);
    ASSERT_EQ(s.a.size(), num);
    EXPECT_EQ(shown("txtTotIter"), QStringLiteral(" 1"));
    EXPECT_EQ(caption(), QStringLiteral("&Resume"));
    EXPECT_TRUE(c->chkStep->isEnabled());
    EXPECT_EQ(shown("txtLowval"), QString::fromStdString(spacedForm(s.lowval)));
    std::set<float> distinct;
    for (int i = 0; i < num; ++i)
        distinct.insert(s.a.value(i16(i)));
    EXPECT_TRUE(*distinct.begin() >= 0.0f && *distinct.rbegin() < 10.0f);
    EXPECT_GT(distinct.size(), 1u);

    const PlotWidget& p = *c->picture1;
    const QImage& img = p.image();
    EXPECT_EQ(p.devicePoint(num + 2, 0), QPoint(img.width(), img.height())) << "x runs from -1 to num + 2";
    if (num > img.width() / 2)
        return;  // species share pixel columns: nothing to tell apart
    const int k = s.xpos.toInt();
    const std::set<int> red = {(k + num - 1) % num, k, (k + 1) % num};
    std::vector<int> owner(static_cast<std::size_t>(img.width()), -1);  // species by pixel column
    std::vector<QRect> boxes;
    for (int i = 0; i < num; ++i) {
        boxes.push_back(markerBox(p, i, s.a.value(i16(i))));
        for (int x = std::max(boxes[i].left(), 0); x <= std::min(boxes[i].right(), img.width() - 1); ++x)
            owner[static_cast<std::size_t>(x)] = i;
    }
    const int row = p.devicePoint(-1, static_cast<float>(s.lowval)).y();
    const QRgb face = p.toRgb(Colour::buttonFace()), line = p.toRgb(Colour::buttonText());
    const auto colourOf = [&](int i) { return p.toRgb(red.count(i) ? Colour::red() : Colour::black()); };
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const int i = owner[static_cast<std::size_t>(x)];
            const QRgb px = img.pixel(x, y);
            const bool inBox = i >= 0 && boxes[i].contains(x, y);
            const bool ok = y == row ? px == line : px == face || (inBox && px == colourOf(i));
            ASSERT_TRUE(ok) << "pixel " << x << "," << y << (inBox ? " in the box of species " : " ") << i;
        }
    }
    for (int i = 0; i < num; ++i)
        for (const QPoint c : {boxes[i].topLeft(), boxes[i].bottomRight()})
            if (img.rect().contains(c) && c.y() != row) {
                EXPECT_EQ(img.pixel(c), colourOf(i)) << "species " << i;
            }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Counts, BeginPicture, ::testing::Values(
    BeginCase{"Default", "50", 50}, BeginCase{"HalfDown", "12.5", 12}, BeginCase{"HalfUp", "13.5", 14},
    BeginCase{"TrailingLetters", "7abc", 7}, BeginCase{"InnerBlanks", " 2 0", 20}, BeginCase{"Two", "2", 2},
    BeginCase{"Largest", "32765", 32765}),
    testing::rowName);
// clang-format on

TEST_F(WindowTest, RepaintShowsTheDrawnPicture)
{
    click(c->command1);
    QCoreApplication::processEvents();
    PlotWidget& p = *c->picture1;
    const QImage painted = p.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(p.contentsRect());
    EXPECT_EQ(painted, p.image().convertToFormat(QImage::Format_RGB32));
}

}  // namespace
}  // namespace quillmar::uitest
