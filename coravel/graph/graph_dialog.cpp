#include "coravel/graph/graph_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableView>
#include <algorithm>
#include <cmath>

#include "coravel/graph/cell_reading.h"
#include "coravel/graph/fitting_indicator_style.h"
#include "coravel/graph/graph_accessibility.h"
#include "coravel/graph/graph_design.h"
#include "coravel/graph/graph_figures.h"
#include "coravel/graph/graph_plot.h"
#include "coravel/graph/picture_box.h"
#include "coravel/graph/profile_file_choice.h"
#include "coravel/util/smart_edge.h"
#include "core/fault.h"
#include "core/lenient_number.h"
#include "core/regional_format.h"
#include "core/twips.h"
#include "platform/ui/form_layout.h"
#include "platform/ui/ui.h"

namespace coravel {

using platform::formFont;
using platform::setClientSize;
using platform::place;
using platform::addLabel;
using platform::chainTabOrder;

namespace design = graph_design;

namespace {

constexpr int32_t kFrameEdge = 5;  // bump
constexpr int kSmallestScalePixels = 8;  // 6 points
const QString kAppPath = QStringLiteral("AppPath");
// The system's own: the setting is spelled "ShowHorizonal" (GraphDialogTest.OpensWithTheStoredOptions...).
constexpr char kShowHorizontal[] = "ShowHorizonal";
constexpr char kShowVertical[] = "ShowVertical";
constexpr char kShowAverage[] = "ShowAverage";

QCheckBox* addCheckBox(QWidget* parent, const design::LabelPlace& place) {
  auto* box = new QCheckBox(QString::fromUtf8(place.caption), parent);
  coravel::place(box, place.name, place.rect);
  return box;
}

// A label sized to its text, its left edge kept.
void fitToText(QLabel* label) { label->resize(label->sizeHint().width(), label->height()); }

}  // namespace

// The figures of the loaded list, as the refresh reads them.
class GraphDialog::Figures : public GraphFigures {
 public:
  Figures(GraphData& data, const ProfileTable& list) : data_(data), list_(list) {}

  void GetMonthDate() override { data_.GetMonthDate(list_); }
  core::Money MonthTotal(int month) const override { return data_.monthTotal(month); }
  int32_t GraphYear() const override { return data_.graphYear(); }
  double GetHighestMonth() override { return data_.GetHighestMonth(); }
  void setHighestMonth(core::Money amount) override { data_.setHighestMonth(amount); }
  double GetLowestMonth() override { return data_.GetLowestMonth(); }
  double GetColumnNetPay() override { return data_.GetColumnNetPay(list_); }
  void computeYearlyAverage(const QString& shown) override { data_.computeYearlyAverage(shown); }
  core::Money YearlyAverage() const override { return data_.yearlyAverage(); }

 private:
  GraphData& data_;
  const ProfileTable& list_;
};

GraphDialog::GraphDialog(platform::Registry& registry, platform::Ui& ui, QWidget* parent)
    : QDialog(parent), settings_(registry), ui_(ui), data_(regionalLocale()) {
  exposeGraphToAccessibility();
  setObjectName(QStringLiteral("frmGraph"));
  setWindowTitle(QStringLiteral("Wagewise Yearly Graph"));
  setFont(formFont());
  setClientSize(this, design::kClientWidth, design::kClientHeight);
  createControls();
  figures_ = std::make_unique<Figures>(data_, list_);
  plot_ = std::make_unique<GraphPlot>(*graphic_, *figures_, regionalLocale());

  loader_.setLetEventsRun([] { QCoreApplication::processEvents(); });
  loader_.setFilesReadChanged([this](int files) { count_->setText(QString::number(files)); });
}

GraphDialog::~GraphDialog() = default;

void GraphDialog::createControls() {
  createStatisticsFrame();
  createOptionsFrame();
  auto* command1 = new QPushButton(QStringLiteral("Load other Job Profiles..."), this);
  command1->setAutoDefault(false);
  place(command1, "Command1", design::kCommand1);
  connect(command1, &QPushButton::clicked, this, [this] { react([this] { loadOtherProfiles(); }); });
  createGraphArea();
  createScaleAndMonthLabels();

  year_ = addLabel(this, "lblYear", QStringLiteral("Year of: "), design::kYearLabel);
  anotherYear_ = addLabel(this, "lblDetectedAnotherYear", QLatin1String(kAnotherYearCaption), design::kAnotherYearLabel);
  anotherYear_->setStyleSheet(QStringLiteral("color: #c00000"));
  anotherYear_->hide();
  // The count stands in the options frame's free corner, below its boxes.
  count_ = addLabel(this, "lblcount", QStringLiteral("0"), design::kCountLabel);
  count_->raise();

  listView_ = new QTableView(this);
  place(listView_, "ListViewGraph", design::kListViewGraph);
  listView_->verticalHeader()->hide();
  listView_->setFocusPolicy(Qt::NoFocus);
  listView_->hide();
  listView_->installEventFilter(this);
  chainTabOrder({ckAverage_, ckHorizontal_, ckVertical_, command1});
  platform::applyAccessibleTexts(*this, design::kAccessibleTexts);
}

void GraphDialog::createStatisticsFrame() {
  frame1_ = new QGroupBox(this);
  place(frame1_, "Frame1", design::kFrame1);
  for (const design::LabelPlace& label : design::kStatisticsLabels)
    addLabel(frame1_, label.name, QString::fromUtf8(label.caption), label.rect);
  std::array<QLabel*, 4> values{};
  for (size_t i = 0; i < values.size(); ++i) {
    const design::LabelPlace& label = design::kValueLabels[i];
    values[i] = addLabel(frame1_, label.name, QString::fromUtf8(label.caption), label.rect);
  }
  netPayTotal_ = values[0];
  highestEarning_ = values[1];
  lowEarning_ = values[2];
  average_ = values[3];
}

void GraphDialog::createOptionsFrame() {
  frame2_ = new QGroupBox(this);
  place(frame2_, "Frame2", design::kFrame2);
  ckAverage_ = addCheckBox(frame2_, design::kCheckBoxes[0]);
  ckHorizontal_ = addCheckBox(frame2_, design::kCheckBoxes[1]);
  ckVertical_ = addCheckBox(frame2_, design::kCheckBoxes[2]);
  auto* indicatorStyle = new FittingIndicatorStyle;
  indicatorStyle->setParent(this);
  for (QCheckBox* box : {ckAverage_, ckHorizontal_, ckVertical_}) box->setStyle(indicatorStyle);
  // A change of state, by the user or by the opening code, is a click.
  const std::pair<QCheckBox*, const char*> options[] = {
      {ckAverage_, kShowAverage}, {ckHorizontal_, kShowHorizontal}, {ckVertical_, kShowVertical}};
  for (const auto& option : options) {
    QCheckBox* box = option.first;
    const char* setting = option.second;
    connect(box, &QCheckBox::toggled, this, [this, box, setting] { react([=, this] { optionClicked(box, setting); }); });
  }
}

void GraphDialog::createGraphArea() {
  graphic_ = new PictureBox(this);
  place(graphic_, "Graphic", design::kGraphic);
  auto* holder = new QWidget(this);
  place(holder, "GrapHolder", design::kGraphic);
  holder->stackUnder(graphic_);
}

void GraphDialog::createScaleAndMonthLabels() {
  for (int i = 0; i < 10; ++i) {
    scaleLabels_[i] = addLabel(this, "Label5", QString(),
                               {design::kScaleLabelLeft, design::kScaleLabelTops[i], design::kScaleLabelWidth, 195});
    scaleLabels_[i]->setAlignment(Qt::AlignRight | Qt::AlignTop);
    scaleLabels_[i]->setProperty("index", i);
  }
  for (int m = 0; m < 12; ++m) {
    QLabel* label = addLabel(this, "Label4", QLatin1String(design::kMonthNames[m]),
                             {design::kMonthLabelLefts[m], design::kMonthLabelTop, 480, 195});
    label->setProperty("index", m);
    fitToText(label);
  }
}

void GraphDialog::load() {
  setWindowModality(Qt::ApplicationModal);
  show();
  loading_ = true;
  try {
    runOpeningCode();
  } catch (...) {
    loading_ = false;
    hide();
    throw;
  }
  loading_ = false;
}

void GraphDialog::runOpeningCode() {
  {
    // The reactions these run store and draw but leave the load to the one below.
    const QScopedValueRollback applying(applyingStoredOptions_, true);
    ckHorizontal_->setChecked(storedOption(kShowHorizontal));
    ckVertical_->setChecked(storedOption(kShowVertical));
    ckAverage_->setChecked(storedOption(kShowAverage));
  }
  if (closed_) return;
  ResetGraph();
  data_.setGraphYear(0);
  // A click while the search let events through has loaded and drawn anew.
  if (searchAppPath()) RefreshData();
  if (closed_) return;
  AttachEdge(frame1_, kFrameEdge);
  AttachEdge(frame2_, kFrameEdge);
}

int GraphDialog::exec() { return closed_ ? QDialog::Rejected : QDialog::exec(); }

// A stored option is read as a whole number; only 1 checks its box.
bool GraphDialog::storedOption(const char* name) {
  const core::Value stored = settings_.readSetting(QLatin1String(name));
  const QString text = stored.isEmpty() ? QString() : stored.toText();
  return std::nearbyint(core::readLenientNumber(text)) == 1;
}

void GraphDialog::optionClicked(QCheckBox* box, const char* setting) {
  settings_.writeSetting(QLatin1String(setting), box->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
  ResetGraph();
  if (applyingStoredOptions_ || searchAppPath()) RefreshData();
}

void GraphDialog::loadOtherProfiles() {
  QStringList files;
  if (!SelectMultipleFiles(ui_, QStringLiteral("dat"), files)) return;
  ResetGraph();
  for (const QString& path : chosenProfilePaths(files)) loader_.LoadLWGraph(list_, path);
  RefreshData();
}

bool GraphDialog::searchAppPath() {
  const uint64_t generation = list_.generation();
  const core::Value appPath = settings_.readSetting(kAppPath);
  loader_.loadAppPath(appPath.isEmpty() ? QString() : appPath.toText());
  return list_.generation() == generation;
}

void GraphDialog::ResetGraph() {
  plot_->ResetDrawing();
  data_.reset();
  list_.clear();
  anotherYear_->hide();
  anotherYear_->setText(data_.anotherYearCaption());
  const QLocale locale = regionalLocale();
  lowEarning_->setText(core::formatCurrency(0.0, locale));
  netPayTotal_->setText(core::formatCurrency(data_.GetColumnNetPay(list_), locale));
  highestEarning_->setText(core::formatCurrency(data_.GetHighestMonth(), locale));
  year_->setText(QStringLiteral("Year of: ") + QString::number(data_.graphYear()));
  fitToText(year_);
  // The system's own: a literal "$0.00", not the regional currency (GraphDialogTest.TheCountGrowsDuringALongLoad...).
  average_->setText(QStringLiteral("$0.00"));
  updateGraphDescription();
}

void GraphDialog::RefreshData() {
  plot_->RefreshData(options());
  showCaptions();
}

GraphOptions GraphDialog::options() const {
  return {.horizontalGrid = ckHorizontal_->isChecked(),
          .verticalGrid = ckVertical_->isChecked(),
          .average = ckAverage_->isChecked()};
}

void GraphDialog::showCaptions() {
  const GraphCaptions& c = plot_->captions();
  lowEarning_->setText(c.lowEarning);
  netPayTotal_->setText(c.netPayTotal);
  highestEarning_->setText(c.highestEarning);
  year_->setText(c.year);
  fitToText(year_);
  average_->setText(c.average);
  showScaleLabels(c.scale);
  anotherYear_->setText(data_.anotherYearCaption());
  anotherYear_->setToolTip(data_.anotherYearCaption());
  anotherYear_->setVisible(data_.anotherYearDetected());
  updateGraphDescription();
}

void GraphDialog::updateGraphDescription() {
  graphic_->setAccessibleDescription(coravel::describeFigures(
      year_->text(), data_.monthTotals(),
      {netPayTotal_->text(), highestEarning_->text(), lowEarning_->text(), average_->text()}, regionalLocale()));
}

// The scale labels keep their right edge at the drawing area and widen
// leftwards. When the widest would pass the window's left edge, all ten take
// a smaller size of the window's font, down to 6 points, so that it fits;
// only past that are they cut at the edge.
void GraphDialog::showScaleLabels(const std::array<QString, 10>& captions) {
  const int right = core::twipsToPixels(design::kScaleLabelLeft + design::kScaleLabelWidth);
  QFont font = formFont();
  auto widest = [&] {
    int width = 0;
    for (size_t i = 0; i < captions.size(); ++i) {
      scaleLabels_[i]->setFont(font);
      scaleLabels_[i]->setText(captions[i]);
      width = std::max(width, scaleLabels_[i]->sizeHint().width());
    }
    return width;
  };
  while (widest() > right && font.pixelSize() > kSmallestScalePixels) {
    font.setPixelSize(font.pixelSize() - 1);
    // Glyphs set on whole pixels: small digits stay sharp and run narrower
    // (at 6 points "$12,464,370" fits beside the area only so).
    font.setHintingPreference(QFont::PreferFullHinting);
  }
  for (QLabel* label : scaleLabels_) {
    const int width = std::max(core::twipsToPixels(design::kScaleLabelWidth), label->sizeHint().width());
    label->setGeometry(right - width, label->y(), width, label->height());
  }
}

// The list view stays hidden in this design, and a table view keeps a size
// for each of its rows (a hostile profile has a hundred million): it gets
// the list only if it is ever shown.
bool GraphDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == listView_ && event->type() == QEvent::Show && !listView_->model()) listView_->setModel(&list_);
  return QDialog::eventFilter(watched, event);
}

void GraphDialog::closeEvent(QCloseEvent* event) {
  // Form_QueryUnload: the frames lose their edges; a load still running ends
  // with the list it fills.
  DetachEdge(frame1_);
  DetachEdge(frame2_);
  closed_ = true;
  list_.clear();
  QDialog::closeEvent(event);
}

// The window has no cancel button: Escape does not close it.
void GraphDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}

template <class Reaction>
void GraphDialog::react(Reaction reaction) {
  try {
    reaction();
  } catch (const core::FaultError& error) {
    ui_.messageBox({.text = error.fault().description, .title = windowTitle(), .icon = platform::MsgIcon::Critical});
  }
}

}  // namespace coravel
