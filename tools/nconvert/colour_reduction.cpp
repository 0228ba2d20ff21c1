#include "colour_reduction.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <vector>

namespace nconvert {

namespace {

struct ColourCount {
    QRgb colour;
    qint64 pixels;
};

int Channel(QRgb c, int channel) {
    switch (channel) {
        case 0: return qRed(c);
        case 1: return qGreen(c);
        case 2: return qBlue(c);
        default: return qAlpha(c);
    }
}

struct Box {
    std::size_t begin, end;  // range of the sorted colour list
    int widestChannel = 0;
    int spread = 0;          // of the widest channel; 0: nothing to cut
};

Box Measure(const std::vector<ColourCount>& colours, std::size_t begin, std::size_t end) {
    Box box{begin, end};
    for (int channel = 0; channel < 4; ++channel) {
        int low = 255, high = 0;
        for (std::size_t i = begin; i < end; ++i) {
            low = std::min(low, Channel(colours[i].colour, channel));
            high = std::max(high, Channel(colours[i].colour, channel));
        }
        if (high - low > box.spread) {
            box.spread = high - low;
            box.widestChannel = channel;
        }
    }
    return box;
}

// Splits the box with the widest spread at its weighted median until there are
// `count` boxes or no box holds two colours.
std::vector<Box> MedianCut(std::vector<ColourCount>& colours, int count) {
    std::vector<Box> boxes{Measure(colours, 0, colours.size())};
    while (static_cast<int>(boxes.size()) < count) {
        auto widest = std::max_element(boxes.begin(), boxes.end(),
                                       [](const Box& a, const Box& b) { return a.spread < b.spread; });
        if (widest->spread == 0) break;
        const Box box = *widest;
        const int channel = box.widestChannel;
        std::sort(colours.begin() + static_cast<std::ptrdiff_t>(box.begin),
                  colours.begin() + static_cast<std::ptrdiff_t>(box.end),
                  [channel](const ColourCount& a, const ColourCount& b) {
                      const int ca = Channel(a.colour, channel), cb = Channel(b.colour, channel);
                      return ca != cb ? ca < cb : a.colour < b.colour;
                  });
        qint64 total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) total += colours[i].pixels;
        qint64 sum = 0;
        std::size_t cut = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            sum += colours[i].pixels;
            cut = i + 1;
            if (2 * sum >= total) break;
        }
        *widest = Measure(colours, box.begin, cut);
        boxes.push_back(Measure(colours, cut, box.end));
    }
    return boxes;
}

QRgb MeanColour(const std::vector<ColourCount>& colours, const Box& box) {
    std::array<qint64, 4> sums{};
    qint64 total = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        for (int channel = 0; channel < 4; ++channel) sums[channel] += Channel(colours[i].colour, channel) * colours[i].pixels;
        total += colours[i].pixels;
    }
    const auto mean = [&](int channel) { return static_cast<int>((sums[channel] + total / 2) / total); };
    return qRgba(mean(0), mean(1), mean(2), mean(3));
}

bool IsTransparentColour(QRgb pixel, std::optional<QRgb> transparent) {
    return transparent && qRed(pixel) == qRed(*transparent) && qGreen(pixel) == qGreen(*transparent) &&
           qBlue(pixel) == qBlue(*transparent);
}

}  // namespace

QImage ReduceColours(const QImage& image, int maxColours, std::optional<QRgb> transparent) {
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb clear = transparent ? qRgba(qRed(*transparent), qGreen(*transparent), qBlue(*transparent), 0) : 0;

    QHash<QRgb, qint64> histogram;
    bool hasTransparent = false;
    for (int y = 0; y < source.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            if (IsTransparentColour(line[x], transparent)) hasTransparent = true;
            else ++histogram[line[x]];
        }
    }
    std::vector<ColourCount> colours;
    colours.reserve(static_cast<std::size_t>(histogram.size()));
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it) colours.push_back({it.key(), it.value()});
    std::sort(colours.begin(), colours.end(), [](const ColourCount& a, const ColourCount& b) { return a.colour < b.colour; });

    const int budget = maxColours - (hasTransparent ? 1 : 0);
    QList<QRgb> palette;
    QHash<QRgb, int> index;
    if (hasTransparent) palette.append(clear);
    if (static_cast<int>(colours.size()) <= budget) {
        for (const ColourCount& c : colours) {
            index.insert(c.colour, static_cast<int>(palette.size()));
            palette.append(c.colour);
        }
    } else {
        for (const Box& box : MedianCut(colours, budget)) {
            for (std::size_t i = box.begin; i < box.end; ++i) index.insert(colours[i].colour, static_cast<int>(palette.size()));
            palette.append(MeanColour(colours, box));
        }
    }

    QImage out(source.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uchar* line = out.scanLine(y);
        for (int x = 0; x < source.width(); ++x)
            line[x] = static_cast<uchar>(IsTransparentColour(in[x], transparent) ? 0 : index.value(in[x]));
    }
    return out;
}

QImage ClearColour(const QImage& image, QRgb transparent) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if (IsTransparentColour(line[x], transparent)) line[x] = qRgba(qRed(transparent), qGreen(transparent), qBlue(transparent), 0);
    }
    return out;
}

}  // namespace nconvert
