// The field view first: it brings Vulkan in before any Qt header.
#include "app/main_window.h"

#include "app/application.h"
#include "app/field_view.h"
#include "app/title_text.h"
#include "editor/main_field.h"
#include "platform/guarded_work.h"
#include "platform/user_folders.h"
#include "thumbnail_renderer.h"
#include "ui/brush_panel.h"
#include "ui/check_box.h"
#include "ui/definition_chooser.h"
#include "ui/edit_window.h"
#include "ui/field_buttons.h"
#include "ui/info_window.h"
#include "ui/model_list_window.h"
#include "ui/model_tree_window.h"
#include "ui/model_viewer_slot.h"
#include "ui/model_viewer_window.h"
#include "ui/notice_banner.h"
#include "ui/placement_list_source.h"
#include "ui/thumbnail_cache.h"
#include "ui/window_buttons.h"
#include "ui/write_report_text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cstdio>

namespace quorvane {
namespace {

constexpr uint32_t kThumbnailSize = 48; // drawn at twice the tree's icon size, shown smoothed

QColor ToQColor(const ArgbColor& c) {
    return QColor(std::clamp(c.red, 0, 255), std::clamp(c.green, 0, 255), std::clamp(c.blue, 0, 255),
                  std::clamp(c.alpha, 0, 255));
}

QRect ToQRect(const LayoutRect& r) {
    return QRect(r.x, r.y, r.width, r.height);
}

void Place(QWidget* widget, const LayoutRect& r) {
    if (widget != nullptr) {
        widget->setGeometry(ToQRect(r));
    }
}

CloseChoice AskBeforeClosing(QWidget* parent, int32_t unwritten) {
    QMessageBox box(QMessageBox::Question, "Quorvane",
                    QString::fromUtf8("書き出されていない配置が %1 件あります。"
                                      "グリッドマップファイルに書き出してから終了しますか？")
                        .arg(unwritten),
                    QMessageBox::NoButton, parent);
    QPushButton* write = box.addButton(QString::fromUtf8("書き出して終了"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QString::fromUtf8("破棄して終了"), QMessageBox::DestructiveRole);
    QPushButton* back = box.addButton(QString::fromUtf8("戻る"), QMessageBox::RejectRole);
    box.setDefaultButton(write);
    box.setEscapeButton(back);
    box.exec();
    if (box.clickedButton() == write) {
        return CloseChoice::WriteAndClose;
    }
    return box.clickedButton() == discard ? CloseChoice::DiscardAndClose : CloseChoice::Back;
}

bool AskToRestore(QWidget* parent, size_t recoverable) {
    QMessageBox box(QMessageBox::Question, "Quorvane",
                    QString::fromUtf8("前回の終了時に書き出されていない配置が %1 件あります。復元しますか？")
                        .arg(static_cast<qsizetype>(recoverable)),
                    QMessageBox::NoButton, parent);
    QPushButton* restore = box.addButton(QString::fromUtf8("復元する"), QMessageBox::AcceptRole);
    box.addButton(QString::fromUtf8("破棄する"), QMessageBox::DestructiveRole);
    box.setDefaultButton(restore);
    // Escape must never throw placements away.
    box.setEscapeButton(restore);
    box.exec();
    return box.clickedButton() == restore;
}

const char* const kCheckBoxLabels[5] = {"グリッド表示", "スケルトン視点", "コライダー表示", "垂直表示",
                                        "水平表示"};

} // namespace

CMainWindow::CMainWindow(CAppState& state)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      state_(state), scale_{state.geometry.titleBarHeight, state.geometry.dpiScale} {
    setObjectName("CLASS_MAINWINDOW");
    setWindowTitle(kMainWindowTitle);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    closeQuestion_ = [this](int32_t unwritten) { return AskBeforeClosing(this, unwritten); };
    CreateChildren();
    SetRecoveryQuestion([this](size_t recoverable) { return AskToRestore(this, recoverable); });
}

void CMainWindow::SetRecoveryQuestion(RecoveryQuestion question) {
    if (fieldRenderer_) {
        fieldRenderer_->SetRecoveryQuestion(std::move(question));
    }
}

void CMainWindow::CreateChildren() {
    const FieldAccess field = [this] { return Field(); };
    // First, so that what goes wrong while the others start can be told.
    notices_ = new CNoticeBanner(this, scale_);
    // Any thread whose work ends in an exception is told here; the banner posts.
    CNoticeBanner* banner = notices_;
    SetWorkFailureSink([banner](const std::string& work, const std::string& message) {
        banner->Post(
            NoticeKind::Error,
            QString::fromUtf8("「%1」が予期しないエラーで中断されました。配置はそのまま残っています: %2")
                .arg(QString::fromStdString(work), QString::fromStdString(message)));
    });
    chooser_ = std::make_unique<CDefinitionChooser>([this](const QString& message) { PostNotice(message); });

    modelTree_ = new CModelTreeWindow(this, scale_);
    viewer_ = CModelViewerWindow::Create(this);
    if (viewer_) {
        modelViewer_ = viewer_->Container();
        state_.renderThreads.push_back(&viewer_->RenderThread());
        viewer_->SetReport([this](const QString& message) { PostNotice(message); });
    } else {
        modelViewer_ = new CModelViewerSlot(this); // no Vulkan windows here
    }
    for (int32_t id = 1; id <= CDisplayToggles::kCount; ++id) {
        auto* box = new CCheckBox(this, scale_, displayToggles_, id);
        box->SetChangeHandler([this](int32_t, int32_t unchecked) {
            if (unchecked != 0) {
                checkBoxes_[static_cast<size_t>(unchecked - 1)]->repaint();
            }
            ApplyDisplayToggles();
        });
        checkBoxes_[static_cast<size_t>(id - 1)] = box;
    }
    infoWindow_ = new CInfoWindow(this, scale_, [this]() -> std::optional<InfoValues> {
        CMainField* core = Field();
        if (core == nullptr) {
            return std::nullopt;
        }
        return InfoValuesOf(core->Mode(), core->Vectors(), core->CellName());
    });
    for (CEditWindow*& edit : randomFields_) {
        edit = new CEditWindow(this, scale_);
    }
    brush_ = std::make_unique<CBrushPanel>(this, scale_, BrushSettings{});
    brush_->SetChangeHandler([this] {
        if (CMainField* core = Field()) {
            core->SetBrush(brush_->Read());
        }
    });
    writeButton_ = new CButtonWriteFile(this, scale_, field, notices_);

    fieldRenderer_ = CFieldView::Create(this);
    if (fieldRenderer_) {
        fieldView_ = fieldRenderer_->Container();
        state_.renderThreads.push_back(&fieldRenderer_->RenderThread());
        CFieldView* view = fieldRenderer_.get();
        SetFrameRateSource([view] { return view->FrameRate(); });
        // Asked for from the render thread too: post, never paint from there.
        QPointer<CMainWindow> self(this);
        view->SetRepaintRequest([self] {
            QMetaObject::invokeMethod(
                qApp,
                [self] {
                    if (self) {
                        self->ShowBrush();
                        self->update();
                    }
                },
                Qt::QueuedConnection);
        });
        // From the restore thread too; the banner posts to the UI thread.
        CNoticeBanner* notices = notices_;
        view->SetNoticeHandler([notices](bool error, const QString& message) {
            notices->Post(error ? NoticeKind::Error : NoticeKind::Info, message);
        });
        view->SetModelsChangedHandler([self](const std::vector<std::string>& modelPaths) {
            QMetaObject::invokeMethod(
                qApp,
                [self, modelPaths] {
                    if (self) {
                        self->ReloadViewerIfItShows(modelPaths);
                    }
                },
                Qt::QueuedConnection);
        });
        // The skeleton view switches the grid off from the render thread.
        view->SetGridSwitchedOffHandler([self] {
            QMetaObject::invokeMethod(
                qApp,
                [self] {
                    if (self) {
                        self->SwitchGridOff();
                    }
                },
                Qt::QueuedConnection);
        });
    } else {
        // No Vulkan windows here (offscreen tests): an empty view in the frame.
        fieldView_ = new QWidget(this);
        fieldView_->setObjectName("CLASS_DISPWINDOW");
        fieldView_->setAutoFillBackground(true);
        fieldView_->setPalette(QPalette(Qt::black));
    }

    listSource_ = std::make_unique<CFieldListSource>(field);
    placementList_ = new CModelListWindow(this, scale_, *listSource_);
    placementList_->SetChangeHandler([this] { update(); });
    placementList_->SetUnwrittenCount([this] {
        const CMainField* core = Field();
        return core != nullptr ? core->UnwrittenPlacementCount() : 0;
    });
    deleteButton_ = new CButtonDelete(this, scale_, field);

    closeButton_ = new CButtonClose(this, scale_, [this] { RequestClose(); });
    maximizeButton_ = new CButtonMaximize(this, scale_, [this] { ToggleMaximized(); });
    minimizeButton_ = new CButtonMinimize(this, scale_, [this] { showMinimized(); });

    modelTree_->SetErrorHandler(
        [this](const QString& message) { notices_->Show(NoticeKind::Error, message); });
    modelTree_->SetRandomFields({randomFields_.begin(), randomFields_.end()});
    modelTree_->SetDefinitionHandler(
        [this](const std::filesystem::path& definition) { ChooseDefinition(definition); });
    modelTree_->ListModelFolder();
    // The tree's pictures: drawn headless as "Model View" frames a model,
    // kept in the user's cache, begun once the field has drawn its first frame.
    auto renderer = std::make_shared<CThumbnailRenderer>(4 * kThumbnailSize);
    const std::filesystem::path cache = UserCacheFolder();
    modelTree_->SetThumbnailCache(std::make_unique<CThumbnailCache>(
        cache.empty() ? std::filesystem::path() : cache / "thumbnails", kThumbnailSize,
        [renderer](const std::filesystem::path& definition, uint32_t size) {
            RenderOptions options;
            options.input = definition.generic_string();
            options.size = size;
            std::string message; // a definition that cannot be drawn shows the plain mark
            return renderer->Render(options, message);
        }));
    notices_->raise();
}

CMainWindow::~CMainWindow() {
    SetWorkFailureSink({}); // the banner goes with this window
    // The chooser may still be handing a definition to the core.
    chooser_.reset();
    // The viewer's hand-off reaches into the core: it goes first.
    if (viewer_) {
        std::erase(state_.renderThreads, &viewer_->RenderThread());
        viewer_.reset();
    }
    if (fieldRenderer_) {
        std::erase(state_.renderThreads, &fieldRenderer_->RenderThread());
        fieldRenderer_.reset();
    }
}

CMainField* CMainWindow::Field() {
    CMainField* core = fieldRenderer_ ? fieldRenderer_->Field() : nullptr;
    if (core != wiredField_) {
        wiredField_ = core;
        if (core != nullptr) {
            core->SetRandomRanges([this] { return ReadRandomRanges(); });
            core->SetBrush(brush_->Read());
            ApplyDisplayToggles();
        }
    }
    return core;
}

RandomRanges CMainWindow::ReadRandomRanges() const {
    // Any thread: the fields publish their values atomically.
    auto value = [this](size_t i) { return randomFields_[i]->Value(); };
    return {.scale = {value(0), value(1), value(2), 0.0f}, .rotation = {value(3), value(4), value(5), 0.0f}};
}

void CMainWindow::ShowBrush() {
    if (CMainField* core = Field()) {
        brush_->Show(core->Brush());
    }
}

void CMainWindow::ApplyDisplayToggles() {
    if (fieldRenderer_) {
        fieldRenderer_->SetDisplayOptions(
            {.gridDisplay = displayToggles_.IsChecked(CDisplayToggles::kGrid),
             .skeletonView = displayToggles_.IsChecked(CDisplayToggles::kSkeletonView),
             .colliderDisplay = displayToggles_.IsChecked(CDisplayToggles::kColliders),
             .horizontalView = displayToggles_.IsChecked(CDisplayToggles::kHorizontal),
             .verticalView = displayToggles_.IsChecked(CDisplayToggles::kVertical)});
    }
}

void CMainWindow::SwitchGridOff() {
    displayToggles_.SetChecked(CDisplayToggles::kGrid, false);
    checkBoxes_[static_cast<size_t>(CDisplayToggles::kGrid - 1)]->repaint();
    ApplyDisplayToggles();
}

void CMainWindow::PostNotice(const QString& message) {
    if (notices_ != nullptr) {
        notices_->Post(NoticeKind::Error, message);
    }
}

void CMainWindow::ChooseDefinition(const std::filesystem::path& definition) {
    Field(); // wires a new core to the random fields
    std::shared_ptr<CFieldHandle> field = fieldRenderer_ ? fieldRenderer_->FieldHandle() : nullptr;
    if (!viewer_) {
        chooser_->Choose(field, definition);
        return;
    }
    CModelViewerWindow::HandOff handOff;
    if (field) {
        // The viewer's render thread hands over later: the core may have gone with its surface by then.
        handOff = [field](const CModelDefinition& chosen) {
            field->With([&chosen](CMainField& core) { core.ChooseModelForPlacement(chosen); });
        };
    } else {
        PostNotice(QString::fromUtf8("フィールドビューの準備ができていないため、「%1」を選べませんでした。")
                       .arg(QString::fromStdString(definition.generic_string())));
    }
    if (!viewer_->LoadDefinition(definition, std::move(handOff))) {
        PostNotice(
            QString::fromUtf8("前のモデル定義を読み込んでいます。終わってからもう一度選んでください。"));
        return;
    }
    viewedDefinition_ = definition;
}

void CMainWindow::ReloadViewerIfItShows(const std::vector<std::string>& modelPaths) {
    if (!viewer_ || viewedDefinition_.empty()) {
        return;
    }
    const CModelDefinition shown = viewer_->CurrentDefinition();
    bool shows = false;
    for (uint32_t part = 0; part < shown.count && part < shown.paths.size(); ++part) {
        shows =
            shows || std::find(modelPaths.begin(), modelPaths.end(), shown.paths[part]) != modelPaths.end();
    }
    // The cursor loads again by itself; a busy viewer is left as it is.
    if (shows && !viewer_->Busy()) {
        viewer_->LoadDefinition(viewedDefinition_, {});
    }
}

void CMainWindow::StopBackgroundWork() {
    if (chooser_) {
        chooser_->Wait();
    }
    // The viewer's render thread may be handing a definition to the core,
    // whose loads need the field's render thread still running.
    if (viewer_) {
        viewer_->Stop();
    }
    // A start-up load may be waiting for a loader slot that only the stopped
    // render thread would free.
    if (fieldRenderer_) {
        fieldRenderer_->StopBackgroundWork();
    }
}

void CMainWindow::ToggleMaximized() {
    const AppGeometry& g = state_.geometry;
    if (!state_.titleDrag.maximized) {
        restoreGeometry_ = geometry();
        state_.titleDrag.maximized = true;
        const QPoint workOrigin = screen() != nullptr ? screen()->availableGeometry().topLeft() : QPoint();
        setGeometry(workOrigin.x(), workOrigin.y(), g.screenWidth, g.screenHeight - g.taskbarHeight);
    } else {
        state_.titleDrag.maximized = false;
        setGeometry(restoreGeometry_.isValid() ? restoreGeometry_
                                               : QRect(g.windowX, g.windowY, g.windowWidth, g.windowHeight));
    }
    Relayout();
    update();
}

void CMainWindow::Relayout() {
    const AppGeometry& g = state_.geometry;
    const bool maximized = state_.titleDrag.maximized;
    state_.layout = ComputeMainLayout({.width = maximized ? g.screenWidth : width(),
                                       .height = maximized ? g.screenHeight - g.taskbarHeight : height(),
                                       .titleBar = g.titleBarHeight,
                                       .border = g.frameBorderX,
                                       .leftPanel = g.leftPanelWidth,
                                       .rightPanel = g.rightPanelWidth,
                                       .maximized = maximized});
    const MainLayout& m = state_.layout;
    Place(fieldView_, m.fieldView);
    Place(modelTree_, m.modelTree);
    Place(modelViewer_, m.modelViewer);
    for (size_t i = 0; i < checkBoxes_.size(); ++i) {
        Place(checkBoxes_[i], m.checkBoxes[i]);
    }
    Place(infoWindow_, m.infoWindow);
    for (size_t i = 0; i < 3; ++i) {
        Place(randomFields_[i], m.randomScaleFields[i]);
        Place(randomFields_[i + 3], m.randomRotationFields[i]);
    }
    for (size_t i = 0; i < m.brushFields.size(); ++i) {
        Place(brush_->Fields()[i], m.brushFields[i]);
    }
    Place(brush_->AlignBox(), m.brushAlignBox);
    Place(placementList_, m.placementList);
    Place(deleteButton_, m.deleteButton);
    Place(writeButton_, m.writeButton);
    Place(closeButton_, m.closeButton);
    Place(maximizeButton_, m.maximizeButton);
    Place(minimizeButton_, m.minimizeButton);
    if (notices_ != nullptr) {
        notices_->SetArea(ToQRect(m.fieldView).adjusted(10, 10, -10, 0));
    }
}

void CMainWindow::paintEvent(QPaintEvent*) {
    const AppGeometry& g = state_.geometry;
    const int T = g.titleBarHeight;
    const QColor background = ToQColor(g.titleColor);
    const QColor dark = ToQColor(g.titleDarkColor);
    const QColor panel = ToQColor(g.titleColor.Brighter(80));
    const QColor titleText = ToQColor(g.titleColor.Brighter(50));
    const MainLayout& m = state_.layout;

    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), background);
    painter.fillRect(0, 0, width(), T, dark);

    for (const LayoutRect& r : {m.modelTree, m.modelViewer, m.infoWindow, m.placementList}) {
        painter.fillRect(ToQRect(r).adjusted(-2, -2, 2, 2), panel);
    }
    for (const auto& row : {m.randomScaleFields, m.randomRotationFields}) {
        for (const LayoutRect& r : row) {
            painter.fillRect(r.x - 2, r.y - 2, 64, 24, panel);
        }
    }
    for (const LayoutRect& r : m.brushFields) {
        painter.fillRect(ToQRect(r).adjusted(-2, -2, 2, 2), panel);
    }

    painter.setPen(QPen(dark, 8));
    painter.drawRect(rect());

    const double fps = frameRate_ ? frameRate_() : 0.0;
    if (fps > 0.0 && !thumbnailsStarted_) {
        thumbnailsStarted_ = true; // after the first frame: the pictures never delay it
        modelTree_->StartThumbnails();
    }
    painter.setFont(UiFont(T * 0.5, scale_));
    painter.setPen(titleText);
    painter.drawText(QRect(width() / 50, static_cast<int>(T * 0.1), width(), T),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromStdString(FormatTitleText(fps)));
    PaintCaptions(painter);
}

void CMainWindow::PaintCaptions(QPainter& painter) {
    const int T = state_.geometry.titleBarHeight;
    const double D = scale_.Dpi();
    const MainLayout& m = state_.layout;
    const QColor panel = ToQColor(state_.geometry.titleColor.Brighter(80));
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    painter.setPen(panel);

    const auto medium = static_cast<int>(T * 0.35 / D);
    painter.setFont(UiFont(T * 0.35, scale_));
    auto caption = [&](const LayoutRect& r, const QString& text) {
        painter.drawText(QRect(r.x, r.y - medium - static_cast<int>(15 * D), r.width, medium + 15), flags,
                         text);
    };
    caption(m.modelTree, "MDF Select View");
    caption(m.modelViewer, "Model View");
    caption(m.infoWindow, "Info View");
    caption(m.placementList, "Put Model List" + placementList_->CaptionSuffix());

    const auto small = static_cast<int>(T * 0.3 / D);
    painter.setFont(UiFont(T * 0.3, scale_));
    for (size_t i = 0; i < m.checkBoxes.size(); ++i) {
        const LayoutRect& box = m.checkBoxes[i];
        painter.drawText(QRect(box.x + 23, box.y - static_cast<int>(3 * D), 200, small + 15), flags,
                         QString::fromUtf8(kCheckBoxLabels[i]));
    }
    const std::pair<const std::array<LayoutRect, 3>*, const char*> rows[] = {
        {&m.randomScaleFields, "Random scale"}, {&m.randomRotationFields, "Random rotation"}};
    for (const auto& [row, title] : rows) {
        const LayoutRect& first = (*row)[0];
        painter.drawText(QRect(first.x - 25, first.y - small - static_cast<int>(15 * D), 180, small + 15),
                         flags, title);
        const char* const axes[3] = {"X:", "Y:", "Z:"};
        for (size_t i = 0; i < 3; ++i) {
            const LayoutRect& r = (*row)[i];
            painter.drawText(QRect(r.x - 25, r.y, 25, 20), flags, axes[i]);
        }
    }
    // Each brush value is named above its field.
    const LayoutRect& firstBrush = m.brushFields[0];
    const int captionY = firstBrush.y - small - static_cast<int>(6 * D);
    for (size_t i = 0; i < m.brushFields.size(); ++i) {
        const LayoutRect& r = m.brushFields[i];
        painter.drawText(QRect(r.x, captionY, r.width + 8, small + 6), flags,
                         QString::fromUtf8(CBrushPanel::kCaptions[i]));
    }
    painter.drawText(QRect(m.brushAlignBox.x - 6, captionY, 40, small + 6), flags,
                     QString::fromUtf8(CBrushPanel::kAlignCaption));
}

void CMainWindow::resizeEvent(QResizeEvent*) {
    Relayout();
}

void CMainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    state_.titleDrag.buttonDown = true;
    state_.titleDrag.pressInTitleBar = event->position().y() < state_.geometry.titleBarHeight;
    setFocus();
    lastDragPoint_ = event->globalPosition().toPoint();
    update();
}

void CMainWindow::mouseMoveEvent(QMouseEvent* event) {
    const TitleDragState& drag = state_.titleDrag;
    if (drag.buttonDown && drag.pressInTitleBar && !drag.maximized) {
        const QPoint now = event->globalPosition().toPoint();
        move(pos() + (now - lastDragPoint_));
        lastDragPoint_ = now;
    }
    update();
}

void CMainWindow::mouseReleaseEvent(QMouseEvent*) {
    state_.titleDrag.buttonDown = false;
    state_.titleDrag.pressInTitleBar = false;
    update();
}

void CMainWindow::RequestClose() {
    if (!state_.shuttingDown && !SettleUnwrittenBeforeClose()) {
        return;
    }
    ShutdownApplication(state_);
}

bool CMainWindow::SettleUnwrittenBeforeClose() {
    CMainField* core = Field();
    const int32_t unwritten = core != nullptr ? core->UnwrittenPlacementCount() : 0;
    if (unwritten <= 0 || !closeQuestion_) {
        return true;
    }
    switch (closeQuestion_(unwritten)) {
    case CloseChoice::WriteAndClose: {
        GridWriteReport report;
        core->WriteGridFiles(&report);
        if (!report.AllWritten()) {
            // Stay open: the placements are still only in the list and the journal.
            notices_->Show(NoticeKind::Error, DescribeWriteReport(report).message);
            return false;
        }
        return true;
    }
    case CloseChoice::DiscardAndClose: {
        std::string message;
        if (!core->DiscardUnwritten(&message)) {
            // The journal keeps them; the next start offers them again.
            std::fprintf(stderr, "quorvane: the unwritten placements could not be discarded: %s\n",
                         message.c_str());
        }
        return true;
    }
    case CloseChoice::Back:
        break;
    }
    return false;
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    // Closing by the window manager ends the program like the close button.
    if (!state_.shuttingDown && !SettleUnwrittenBeforeClose()) {
        event->ignore();
        return;
    }
    ShutdownApplication(state_);
    event->accept();
}

} // namespace quorvane
