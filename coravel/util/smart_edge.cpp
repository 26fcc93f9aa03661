#include "coravel/util/smart_edge.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QVariant>
#include <QWidget>

#include "coravel/util/platform_edge.h"
#include "coravel/util/window_longs.h"

namespace coravel {

namespace {

constexpr char kOldProc[] = "SED_OLDPROC";
constexpr char kOldStyle[] = "SED_OLDGWLSTYLE";
constexpr char kOldExStyle[] = "SED_OLDGWLEXSTYLE";
constexpr char kBorders[] = "SED_BORDERS";

void PaintEdge(QWidget* window, int32_t kind);

// Reaches a group box's own style option, which it keeps for its subclasses.
struct GroupBoxOption : QGroupBox {
  static void of(const QGroupBox& box, QStyleOptionGroupBox* option) {
    (box.*(&GroupBoxOption::initStyleOption))(option);
  }
};

// The widget's own painting without its own border, which the edge replaces:
// a group box keeps its title and check box, a plain frame has nothing else.
void paintWithoutOwnBorder(QWidget* window, QEvent* event) {
  if (auto* box = qobject_cast<QGroupBox*>(window)) {
    QStyleOptionGroupBox option;
    GroupBoxOption::of(*box, &option);
    option.subControls &= ~QStyle::SC_GroupBoxFrame;
    QStylePainter painter(box);
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
    return;
  }
  if (window->metaObject() == &QFrame::staticMetaObject) return;
  static_cast<QObject*>(window)->event(event);
}

// Stands where the platform's subclassed window procedure stands: every
// paint of the widget goes through it; the widget paints itself but for its
// own border, then the edge is painted in the border's place.
class EdgeFilter : public QObject {
 public:
  explicit EdgeFilter(QWidget* window) : QObject(window), window_(window) {
    setObjectName(QStringLiteral("SmartEdgeFilter"));
    window->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_ || event->type() != QEvent::Paint) return false;
    paintWithoutOwnBorder(window_, event);
    PaintEdge(window_, window_->property(kBorders).toInt());
    return true;
  }

 private:
  QWidget* window_;
};

EdgeFilter* edgeFilterOf(QWidget* window) {
  for (QObject* child : window->children())
    if (auto* filter = dynamic_cast<EdgeFilter*>(child)) return filter;
  return nullptr;
}

// The painting in place now: the edge filter when one is installed, else the
// widget's own, known by its class as a window procedure is.
quintptr currentProcedure(QWidget* window) {
  if (EdgeFilter* filter = edgeFilterOf(window)) return reinterpret_cast<quintptr>(filter);
  return reinterpret_cast<quintptr>(window->metaObject());
}

// Installs the edge filter; returns the procedure it replaced.
quintptr installEdgeProcedure(QWidget* window) {
  const quintptr replaced = currentProcedure(window);
  if (!edgeFilterOf(window)) new EdgeFilter(window);
  return replaced;
}

// Puts the widget's own painting back; returns the procedure it replaced.
quintptr restoreOwnProcedure(QWidget* window) {
  const quintptr replaced = currentProcedure(window);
  delete edgeFilterOf(window);
  return replaced;
}

quintptr savedProcedure(const QWidget* window) { return window->property(kOldProc).value<quintptr>(); }

void SetStyleBits(QWidget* window, int index, uint32_t bits) {
  setWindowLong(window, index, int32_t(uint32_t(windowLong(window, index)) | bits));
}

void ClearStyleBits(QWidget* window, int index, uint32_t bits) {
  setWindowLong(window, index, int32_t(uint32_t(windowLong(window, index)) & ~bits));
}

// The frame is to be laid out and painted again.
void frameChanged(QWidget* window) { window->update(); }

enum class BorderStyle { None, OnePixel, TwoPixel };

BorderStyle borderStyleOf(int32_t kind) {
  switch (kind) {
    case 2:
    case 4: return BorderStyle::OnePixel;
    case 1:
    case 3:
    case 5:
    case 6: return BorderStyle::TwoPixel;
  }
  return BorderStyle::None;
}

void ApplyEdgeStyle(QWidget* window, int32_t kind) {
  constexpr uint32_t kStyleBorders = winlong::kBorder | winlong::kThickFrame;
  ClearStyleBits(window, winlong::kStyle, kStyleBorders);
  switch (borderStyleOf(kind)) {
    case BorderStyle::None:
      ClearStyleBits(window, winlong::kExStyle, winlong::kStaticEdge | winlong::kClientEdge | winlong::kWindowEdge);
      break;
    case BorderStyle::OnePixel:
      ClearStyleBits(window, winlong::kExStyle, winlong::kClientEdge | winlong::kWindowEdge);
      SetStyleBits(window, winlong::kExStyle, winlong::kStaticEdge);
      break;
    case BorderStyle::TwoPixel:
      ClearStyleBits(window, winlong::kExStyle, winlong::kStaticEdge | winlong::kWindowEdge);
      SetStyleBits(window, winlong::kExStyle, winlong::kClientEdge);
      break;
  }
  frameChanged(window);
}

void PaintEdge(QWidget* window, int32_t kind) {
  if (kind == 0) return;
  QPainter painter(window);
  drawPlatformEdge(painter, QRect(QPoint(0, 0), window->size()), edgeValueOf(kind), window->palette());
}

}  // namespace

uint32_t edgeValueOf(int32_t kind) {
  switch (kind) {
    case 1: return edge::kSunken;
    case 2: return edge::kSunkenOuter;
    case 3: return edge::kRaised;
    case 4: return edge::kRaisedInner;
    case 5: return edge::kBump;
    case 6: return edge::kEtched;
  }
  return 0;
}

bool AttachEdge(QWidget* window, int32_t kind) {
  if (!window) return false;
  if (savedProcedure(window) != 0) {
    restoreOwnProcedure(window);  // the styles saved first stay
  } else {
    window->setProperty(kOldStyle, windowLong(window, winlong::kStyle));
    window->setProperty(kOldExStyle, windowLong(window, winlong::kExStyle));
  }
  ApplyEdgeStyle(window, kind);
  const quintptr replaced = installEdgeProcedure(window);
  window->setProperty(kOldProc, QVariant::fromValue(replaced));
  window->setProperty(kBorders, kind);
  frameChanged(window);
  return replaced != 0;
}

bool DetachEdge(QWidget* window) {
  if (!window || savedProcedure(window) == 0) return false;
  const quintptr replaced = restoreOwnProcedure(window);
  setWindowLong(window, winlong::kStyle, window->property(kOldStyle).toInt());
  setWindowLong(window, winlong::kExStyle, window->property(kOldExStyle).toInt());
  frameChanged(window);
  for (const char* name : {kOldProc, kOldStyle, kOldExStyle, kBorders}) window->setProperty(name, QVariant());
  return replaced != 0;
}

}  // namespace coravel
