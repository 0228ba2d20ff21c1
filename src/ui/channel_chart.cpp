// Placeholder; the chart is being written.
#include "channel_chart.h"

namespace tavro::ui {
struct ChannelChart::Impl {};
ChannelChart::ChannelChart(QWidget* parent) : QWidget(parent), impl_(new Impl) {}
void ChannelChart::PlotChannel(const RecordTable&, int, bool) {}
int ChannelChart::RowCount() const { return 0; }
double ChannelChart::RowValue(int) const { return 0; }
QString ChannelChart::RowLabel(int) const { return {}; }
bool ChannelChart::IsBars() const { return false; }
int ChannelChart::LabelSpacing() const { return 0; }
QCustomPlot* ChannelChart::Plot() const { return nullptr; }
}  // namespace tavro::ui
