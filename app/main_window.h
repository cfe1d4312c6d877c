#pragma once

#include "app/app_state.h"
#include "editor/placement_random.h"
#include "ui/display_toggles.h"
#include "ui/ui_style.h"

#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {

class CFieldView;
class CMainField;
class CModelTreeWindow;
class CModelViewerWindow;
class CCheckBox;
class CInfoWindow;
class CEditWindow;
class CBrushPanel;
class CModelListWindow;
class CFieldListSource;
class CButtonDelete;
class CButtonWriteFile;
class CButtonClose;
class CButtonMaximize;
class CButtonMinimize;
class CNoticeBanner;
class CDefinitionChooser;

// What the user answers when closing with placements not yet written.
enum class CloseChoice { WriteAndClose, DiscardAndClose, Back };
using CloseQuestion = std::function<CloseChoice(int32_t unwritten)>;
// Whether to place again what an earlier run left unwritten.
using RecoveryQuestion = std::function<bool(size_t recoverable)>;

// The frameless main window: paints its own title bar, frame, panel
// backgrounds and captions, is dragged by the title bar, maximizes to the
// work area, and lays its children out by the fixed formulas.
class CMainWindow : public QWidget {
public:
    explicit CMainWindow(CAppState& state);
    ~CMainWindow() override;

    // Frame rate shown in the title; the field view supplies it.
    void SetFrameRateSource(std::function<double()> source) { frameRate_ = std::move(source); }
    CFieldView* FieldView() const { return fieldRenderer_.get(); }
    // The 3D model preview; null where the platform has no Vulkan windows.
    CModelViewerWindow* ModelViewer() const { return viewer_.get(); }
    // UI thread: what a click on a definition in the tree does. The viewer
    // shows it and then hands it to the editing core for placing.
    void ChooseDefinition(const std::filesystem::path& definition);
    // The viewer loads its definition again when it shows one of these models.
    void ReloadViewerIfItShows(const std::vector<std::string>& modelPaths);
    // The editing core, once the field view has one; wires the random ranges
    // and display boxes into a core it has not seen yet. UI thread.
    CMainField* Field();
    // The five display boxes; the field view's render thread may read them.
    CDisplayToggles& DisplayToggles() { return displayToggles_; }
    void Relayout();

    // Maximize to the work area of the screen, or back to the size before.
    void ToggleMaximized();
    bool IsMaximizedToScreen() const { return state_.titleDrag.maximized; }
    // Tells the user in the window, from any thread; nothing waits on it.
    void PostNotice(const QString& message);
    // Lets the work begun from the side windows finish; before the core goes away.
    void StopBackgroundWork();
    // The close button and the window manager end the program through here:
    // with unwritten placements the question decides, and the program may stay.
    void RequestClose();
    // UI thread: replaces the message box asked on closing (tests answer it).
    void SetCloseQuestion(CloseQuestion question) { closeQuestion_ = std::move(question); }
    // UI thread: replaces the message box asked at start-up when placements
    // of an earlier run can be restored.
    void SetRecoveryQuestion(RecoveryQuestion question);

    CModelTreeWindow* ModelTree() const { return modelTree_; }
    CInfoWindow* InfoWindow() const { return infoWindow_; }
    CModelListWindow* PlacementList() const { return placementList_; }
    CNoticeBanner* Notices() const { return notices_; }
    const std::array<CEditWindow*, 6>& RandomFields() const { return randomFields_; }
    const std::array<CCheckBox*, 5>& CheckBoxes() const { return checkBoxes_; }
    CBrushPanel& Brush() { return *brush_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateChildren();
    void PaintCaptions(QPainter& painter);
    void ApplyDisplayToggles();
    void SwitchGridOff();
    // True when closing may go on: nothing unwritten, or written or discarded as asked.
    bool SettleUnwrittenBeforeClose();
    RandomRanges ReadRandomRanges() const;
    // The brush panel shows what the field editor's brush is now.
    void ShowBrush();

    CAppState& state_;
    UiScale scale_;
    std::function<double()> frameRate_;
    QPoint lastDragPoint_;
    QRect restoreGeometry_;
    CDisplayToggles displayToggles_;
    CMainField* wiredField_ = nullptr;
    CloseQuestion closeQuestion_;

    // Children, parented to this window (Qt owns them).
    QWidget* fieldView_ = nullptr;
    // The Vulkan field view; null where the platform has no Vulkan windows.
    std::unique_ptr<CFieldView> fieldRenderer_;
    std::unique_ptr<CFieldListSource> listSource_;
    std::unique_ptr<CDefinitionChooser> chooser_;
    CModelTreeWindow* modelTree_ = nullptr;
    QWidget* modelViewer_ = nullptr;
    std::unique_ptr<CModelViewerWindow> viewer_;
    std::filesystem::path viewedDefinition_; // the definition the viewer last took
    std::array<CCheckBox*, 5> checkBoxes_{};
    CInfoWindow* infoWindow_ = nullptr;
    std::array<CEditWindow*, 6> randomFields_{}; // scale X, Y, Z, rotation X, Y, Z
    std::unique_ptr<CBrushPanel> brush_;
    bool thumbnailsStarted_ = false;
    CModelListWindow* placementList_ = nullptr;
    CButtonDelete* deleteButton_ = nullptr;
    CButtonWriteFile* writeButton_ = nullptr;
    CButtonClose* closeButton_ = nullptr;
    CButtonMaximize* maximizeButton_ = nullptr;
    CButtonMinimize* minimizeButton_ = nullptr;
    CNoticeBanner* notices_ = nullptr;
};

} // namespace quorvane
