// Times a trend of four pens at 1 Hz: fetching, decimating and drawing a day into an image (the target is
// under 150 ms), against the fetch alone (the baseline); and a week against ten minutes, drawn from what
// is held and from the history.

#include "MemoryReader.h"
#include "TimeText.h"
#include "TrendModel.h"
#include "TrendPlot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace history::trend;

namespace {

constexpr int Pens = 4;
constexpr int Runs = 5;
constexpr std::int64_t Now = 1'800'000'000'000;

// A week of one value a second per pen, every value a change.
TrendModel week()
{
    auto reader = std::make_unique<MemoryReader>();
    for (int p = 0; p < Pens; ++p) {
        auto& samples = reader->of("Bench", "N7:" + std::to_string(p));
        samples.reserve(size_t(7 * Day / Second));
        for (std::int64_t t = Now - 7 * Day; t < Now; t += Second)
            samples.push_back({t,
                               history::Quality::Good,
                               true,
                               100 * std::sin(double(t) / 3.6e6 + p) + double(t / Second % 7),
                               {}});
    }
    TrendModel model(std::move(reader), [] { return Now; });
    for (int p = 0; p < Pens; ++p)
        model.addPen(
            {QStringLiteral("Bench"), QStringLiteral("N7:%1").arg(p), QStringLiteral("Pen %1").arg(p)});
    return model;
}

template <typename Work> double bestMs(Work work)
{
    double best = 1e300;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

void draw(QImage& image, TrendModel& model)
{
    image.fill(Qt::lightGray);
    QPainter painter(&image);
    TrendPlot::draw(painter, image.rect(), model, {});
}

std::size_t samplesHeld(const TrendModel& model)
{
    std::size_t n = 0;
    for (const TrendPen& pen : model.pens())
        n += pen.samples.size();
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TrendModel model = week();
    QImage image(1600, 700, QImage::Format_ARGB32_Premultiplied);

    // The fetch alone, then fetch, decimation to the plot's width and drawing, as a range change does.
    const auto span = [&](std::int64_t ms) { return [&model, ms] { model.showSpan(ms); }; };
    const auto shown = [&](std::int64_t ms) {
        return [&model, &image, ms] {
            model.showSpan(ms);
            draw(image, model);
        };
    };
    const auto repaint = [&](std::int64_t ms) {
        model.showSpan(ms);
        draw(image, model);
        return bestMs([&] { draw(image, model); });
    };

    const double dayFetch = bestMs(span(Day));
    const std::size_t daySamples = samplesHeld(model);
    const double day = bestMs(shown(Day));
    const double tenMinutes = bestMs(shown(10 * Minute));
    const double weekShown = bestMs(shown(7 * Day));
    const std::size_t weekSamples = samplesHeld(model);
    const double repaintTen = repaint(10 * Minute);
    const double repaintWeek = repaint(7 * Day);

    std::printf("trend of %d pens at 1 Hz, drawn %dx%d, best of %d\n", Pens, image.width(), image.height(),
                Runs);
    std::printf("24 h (%zu samples) fetched only (baseline):    %8.1f ms\n", daySamples, dayFetch);
    std::printf("24 h fetched, decimated and drawn:              %8.1f ms  ratio %.2fx  (target < 150 ms)\n",
                day, day / dayFetch);
    std::printf("10 min fetched, decimated and drawn:            %8.1f ms\n", tenMinutes);
    std::printf("7 days (%zu samples) fetched, decimated, drawn: %8.1f ms  ratio to 10 min %.1fx\n",
                weekSamples, weekShown, weekShown / tenMinutes);
    std::printf("repaint of what is held, 10 min:                %8.2f ms\n", repaintTen);
    std::printf("repaint of what is held, 7 days:                %8.2f ms  ratio to 10 min %.2fx\n",
                repaintWeek, repaintWeek / repaintTen);
    return day < 150 ? 0 : 1;
}
