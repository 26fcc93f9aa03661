#pragma once
// frmGraph: a year of net earnings, month by month, as a line graph with the
// year-to-date total, the highest and lowest month and the yearly average
// beside it. On opening it loads every profile file under the host's folder
// (AppPath); "Load other Job Profiles..." replaces them by chosen files. Three
// check boxes switch the horizontal grid, the vertical grid and the average
// line; a click stores the option at once and reloads from AppPath.
#include <QDialog>
#include <array>
#include <memory>

#include "coravel/graph/graph_data.h"
#include "coravel/graph/profile_loader.h"
#include "coravel/graph/profile_table.h"
#include "coravel/settings/registry_settings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;

namespace platform {
class Ui;
}

namespace coravel {

class GraphPlot;
class PictureBox;
struct GraphOptions;

class GraphDialog : public QDialog {
  Q_OBJECT

 public:
  // The window in its design state; `ui` shows the open-file dialog.
  GraphDialog(platform::Registry& registry, platform::Ui& ui, QWidget* parent = nullptr);
  ~GraphDialog() override;

  // The opening code: the options from the settings (a stored "1" runs its
  // box's click reaction), the first load from AppPath, the first refresh,
  // the frames' edges. The window shows itself first, modal, so that a long
  // load can be watched and the window stays responsive meanwhile.
  void load();
  // Shows the window modal until it is closed; returns at once when it was
  // closed while it loaded.
  int exec() override;

  // True while the opening code runs (the window already shows); automation
  // that acts on the opened window waits until it is over.
  bool isLoading() const { return loading_; }

  const ProfileTable& listViewGraph() const { return list_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class Figures;

  void createControls();
  void createStatisticsFrame();
  void createOptionsFrame();
  void createGraphArea();
  void createScaleAndMonthLabels();

  void runOpeningCode();
  // A check box's reaction: store its state in `setting`, reload from
  // AppPath, refresh. While the opening code sets the stored options it
  // does not reload: the opening's own load follows.
  void optionClicked(QCheckBox* box, const char* setting);
  void loadOtherProfiles();  // Command1
  void ResetGraph();
  void RefreshData();
  // Loads the profiles under AppPath; false when a later reset (a reaction
  // run while the load let events through) took the list over.
  bool searchAppPath();
  bool storedOption(const char* name);
  GraphOptions options() const;
  void showCaptions();
  void showScaleLabels(const std::array<QString, 10>& captions);
  // The drawing area's description: the figures as the window shows them.
  void updateGraphDescription();
  // Runs a reaction; a fault it ends with is shown to the user.
  template <class Reaction>
  void react(Reaction reaction);

  RegistrySettings settings_;
  platform::Ui& ui_;
  ProfileTable list_;
  GraphData data_;
  ProfileLoader loader_{list_};
  std::unique_ptr<Figures> figures_;
  std::unique_ptr<GraphPlot> plot_;
  bool closed_ = false;
  bool loading_ = false;
  bool applyingStoredOptions_ = false;

  QGroupBox* frame1_ = nullptr;
  QGroupBox* frame2_ = nullptr;
  QLabel* netPayTotal_ = nullptr;
  QLabel* highestEarning_ = nullptr;
  QLabel* lowEarning_ = nullptr;
  QLabel* average_ = nullptr;
  QCheckBox* ckAverage_ = nullptr;
  QCheckBox* ckHorizontal_ = nullptr;
  QCheckBox* ckVertical_ = nullptr;
  PictureBox* graphic_ = nullptr;
  std::array<QLabel*, 10> scaleLabels_{};
  QLabel* year_ = nullptr;
  QLabel* anotherYear_ = nullptr;
  QLabel* count_ = nullptr;
  QTableView* listView_ = nullptr;
};

}  // namespace coravel
