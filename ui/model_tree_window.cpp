#include "ui/model_tree_window.h"

#include "ui/definition_search.h"
#include "ui/edit_window.h"
#include "ui/model_directory.h"
#include "ui/thumbnail_worker.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <map>
#include <set>
#include <utility>

namespace quorvane {
namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kListedRole = Qt::UserRole + 2;

const char* const kTreeStyle =
    "QTreeWidget { background: rgb(90, 70, 70); color: rgb(200, 180, 180); border: none; outline: 0; }"
    "QTreeWidget::item { height: 28px; color: rgb(200, 180, 180); background: rgb(100, 80, 80); }"
    "QTreeWidget::item:selected { color: rgb(250, 230, 230); background: rgb(150, 130, 130); }";
const char* const kSearchStyle = "QLineEdit { background: rgb(100, 80, 80); color: rgb(250, 230, 230); "
                                 "border: 1px solid rgb(150, 130, 130); padding-left: 4px; }";
constexpr int kSearchHeight = 26;
constexpr int kRefreshMilliseconds = 2000;

// The search box: Escape empties it; every key stays with it, never reaching the field view.
class CSearchBox : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            clear();
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
        event->accept();
    }
};
} // namespace

CModelTreeWindow::CModelTreeWindow(QWidget* parent, const UiScale& scale, std::filesystem::path root)
    : QWidget(parent), root_(std::move(root)), folderIcon_(QIcon("./pict/IconDir.png")),
      definitionIcon_(QIcon("./pict/IconMdf.png")) {
    setObjectName("CLASS_MODELTREEWINDOW");
    // The corner between the two bars shows the tree's own background.
    setAutoFillBackground(true);
    setPalette(QPalette(QColor(90, 70, 70)));
    tree_ = new QTreeWidget(this); // owned by this window
    tree_->setObjectName("tree Window");
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setRootIsDecorated(true);
    tree_->setUniformRowHeights(true);
    tree_->setIconSize(QSize(24, 24));
    tree_->setStyleSheet(kTreeStyle);
    tree_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    QFont font = UiFont(12.0, scale);
    font.setPixelSize(16);
    tree_->setFont(font);

    const int thickness = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    verticalBar_ = new CScrollBar(this, CScrollBar::Orientation::Vertical);
    horizontalBar_ = new CScrollBar(this, CScrollBar::Orientation::Horizontal);
    for (CScrollBar* bar : {verticalBar_, horizontalBar_}) {
        bar->SetThickness(thickness);
        QScrollBar* target = bar == verticalBar_ ? tree_->verticalScrollBar() : tree_->horizontalScrollBar();
        bar->SetTarget(target);
        QObject::connect(target, &QScrollBar::rangeChanged, bar, [bar] { bar->Synchronise(); });
        QObject::connect(target, &QScrollBar::valueChanged, bar, [bar] { bar->Synchronise(); });
    }

    QObject::connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { Click(item); });

    search_ = new CSearchBox(this);
    search_->setObjectName("model search");
    search_->setPlaceholderText(QString::fromUtf8("検索 (Search)"));
    search_->setStyleSheet(kSearchStyle);
    search_->setFont(font);
    search_->setClearButtonEnabled(true);
    results_ = new QTreeWidget(this);
    results_->setObjectName("search results");
    results_->setHeaderHidden(true);
    results_->setColumnCount(2);
    results_->setRootIsDecorated(false);
    results_->setUniformRowHeights(true);
    results_->setIconSize(QSize(24, 24));
    results_->setStyleSheet(kTreeStyle);
    results_->setFont(font);
    results_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    results_->hide();
    for (CScrollBar* bar : {verticalBar_, horizontalBar_}) {
        QScrollBar* shown =
            bar == verticalBar_ ? results_->verticalScrollBar() : results_->horizontalScrollBar();
        QObject::connect(shown, &QScrollBar::rangeChanged, bar, [bar] { bar->Synchronise(); });
        QObject::connect(shown, &QScrollBar::valueChanged, bar, [bar] { bar->Synchronise(); });
    }
    QObject::connect(search_, &QLineEdit::textChanged, this, [this] { ShowMatches(); });
    QObject::connect(search_, &QLineEdit::returnPressed, this, [this] {
        if (QTreeWidgetItem* first = results_->topLevelItem(0)) {
            Choose(std::filesystem::path(first->data(0, kPathRole).toString().toStdString()));
        }
    });
    QObject::connect(results_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        Choose(std::filesystem::path(item->data(0, kPathRole).toString().toStdString()));
    });
    StartListing();
    QObject::connect(tree_, &QTreeWidget::itemExpanded, this,
                     [this](QTreeWidgetItem* item) { Populate(item, kListDepthOnClick); });
}

CModelTreeWindow::~CModelTreeWindow() {
    thumbnailWorker_.reset();
    for (std::thread* thread : {&listing_, &refreshing_}) {
        if (thread->joinable()) {
            thread->join();
        }
    }
}

void CModelTreeWindow::RefreshListedFolders() {
    if (!refreshDone_) {
        return; // the last one is still reading
    }
    if (refreshing_.joinable()) {
        refreshing_.join();
    }
    // The folders as the tree holds them; read off this thread, applied back on it.
    std::vector<std::pair<QTreeWidgetItem*, std::filesystem::path>> folders;
    for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
        if (KindOf(**it) == kDirectory && IsListed(**it)) {
            folders.emplace_back(*it, root_ / PathOf(**it));
        }
    }
    refreshDone_ = false;
    refreshing_ = std::thread([this, folders = std::move(folders)] {
        std::vector<std::pair<QTreeWidgetItem*, ModelDirectoryListing>> listings;
        for (const auto& [item, path] : folders) {
            listings.emplace_back(item, ListModelDirectory(path));
        }
        QMetaObject::invokeMethod(
            this,
            [this, listings = std::move(listings)] {
                ApplyListings(listings);
                refreshDone_ = true;
            },
            Qt::QueuedConnection);
    });
}

void CModelTreeWindow::ApplyListings(
    const std::vector<std::pair<QTreeWidgetItem*, ModelDirectoryListing>>& listings) {
    // Folders removed by an earlier change in this same pass are skipped.
    std::set<QTreeWidgetItem*> alive;
    for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
        alive.insert(*it);
    }
    const std::function<void(QTreeWidgetItem*)> forget = [&](QTreeWidgetItem* item) {
        alive.erase(item);
        for (int i = 0; i < item->childCount(); ++i) {
            forget(item->child(i));
        }
    };
    for (const auto& [folder, listing] : listings) {
        if (!alive.contains(folder) || !listing.error.empty()) {
            continue; // a folder that cannot be read keeps what it showed
        }
        std::map<std::string, bool> onDisk;
        for (const ModelDirectoryEntry& entry : listing.entries) {
            onDisk[entry.name] = entry.directory;
        }
        std::set<std::string> shown;
        for (int i = folder->childCount() - 1; i >= 0; --i) {
            QTreeWidgetItem* child = folder->child(i);
            const std::string name = child->text(0).toStdString();
            const auto found = onDisk.find(name);
            if (found == onDisk.end() || found->second != (KindOf(*child) == kDirectory)) {
                forget(child);
                delete folder->takeChild(i);
                continue;
            }
            shown.insert(name);
        }
        for (const ModelDirectoryEntry& entry : listing.entries) {
            if (!shown.contains(entry.name)) {
                AddItem(folder, entry.name, entry.directory ? kDirectory : kDefinition);
            }
        }
    }
}

void CModelTreeWindow::SetThumbnailCache(std::unique_ptr<CThumbnailCache> cache) {
    thumbnailWorker_ = std::make_unique<CThumbnailWorker>(
        std::move(cache), this, [this](const std::filesystem::path& definition, const QImage& picture) {
            ShowThumbnail(definition, picture);
        });
    // The definitions listed so far.
    std::vector<QTreeWidgetItem*> pending{top_};
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        if (item == nullptr) {
            continue;
        }
        if (KindOf(*item) == kDefinition) {
            AskThumbnail(*item);
        }
        for (int i = 0; i < item->childCount(); ++i) {
            pending.push_back(item->child(i));
        }
    }
}

void CModelTreeWindow::StartThumbnails() {
    if (thumbnailWorker_) {
        thumbnailWorker_->Start();
    }
}

const QIcon* CModelTreeWindow::ThumbnailOf(const std::filesystem::path& definition) const {
    const auto found = thumbnails_.find(definition.generic_string());
    return found != thumbnails_.end() ? &found->second : nullptr;
}

void CModelTreeWindow::AskThumbnail(QTreeWidgetItem& item) {
    const std::string path = item.data(0, kPathRole).toString().toStdString();
    if (const auto found = thumbnails_.find(path); found != thumbnails_.end()) {
        item.setIcon(0, found->second);
    } else if (thumbnailWorker_) {
        thumbnailWorker_->Ask(root_ / path);
    }
}

void CModelTreeWindow::ShowThumbnail(const std::filesystem::path& definition, const QImage& picture) {
    if (plainMark_.isNull()) {
        // A grey square with a cross: no picture to show, not one still coming.
        QPixmap mark(24, 24);
        mark.fill(QColor(120, 100, 100));
        QPainter painter(&mark);
        painter.setPen(QPen(QColor(200, 180, 180), 2));
        painter.drawLine(6, 6, 18, 18);
        painter.drawLine(18, 6, 6, 18);
        plainMark_ = QIcon(mark);
    }
    const std::string path = definition.lexically_relative(root_).generic_string();
    const QIcon icon = picture.isNull() ? plainMark_ : QIcon(QPixmap::fromImage(picture));
    thumbnails_[path] = icon;
    const QString key = QString::fromStdString(path);
    for (QTreeWidget* view : {tree_, results_}) {
        QTreeWidgetItemIterator it(view);
        for (; *it != nullptr; ++it) {
            if ((*it)->data(0, kPathRole).toString() == key) {
                (*it)->setIcon(0, icon);
            }
        }
    }
}

void CModelTreeWindow::StartListing() {
    if (listing_.joinable()) {
        listing_.join(); // ended: its result has come
    }
    listingDone_ = false;
    // The destructor joins the walk, so this window outlives it; a call
    // posted to a window gone meanwhile is dropped with it.
    listing_ = std::thread([this, root = root_] {
        std::vector<std::filesystem::path> found;
        std::string failure;
        try {
            found = ListAllDefinitions(root);
        } catch (const std::exception& e) {
            failure = e.what(); // the search finds what was listed before
        }
        QMetaObject::invokeMethod(
            this,
            [this, found = std::move(found), failure = std::move(failure)]() mutable {
                definitions_ = std::move(found);
                definitionsListed_ = true;
                listingDone_ = true;
                if (std::exchange(relistWanted_, false)) {
                    StartListing();
                }
                ShowMatches();
                if (!failure.empty() && error_) {
                    error_(QString::fromUtf8("モデルの検索一覧を作れませんでした（%1）。")
                               .arg(QString::fromStdString(failure)));
                }
            },
            Qt::QueuedConnection);
    });
}

void CModelTreeWindow::ShowMatches() {
    const std::string query = search_->text().trimmed().toStdString();
    const bool searching = !query.empty();
    // Each new search walks ./model again, so definitions added or renamed
    // since are found; until the walk ends the last one's list answers.
    if (searching && !wasSearching_) {
        if (listingDone_) {
            StartListing();
        } else {
            relistWanted_ = true; // the walk under way may have begun before the change
        }
    }
    wasSearching_ = searching;
    results_->setVisible(searching);
    tree_->setVisible(!searching);
    verticalBar_->SetTarget(searching ? results_->verticalScrollBar() : tree_->verticalScrollBar());
    horizontalBar_->SetTarget(searching ? results_->horizontalScrollBar() : tree_->horizontalScrollBar());
    results_->clear();
    for (const DefinitionMatch& match : MatchDefinitions(definitions_, query)) {
        auto* item = new QTreeWidgetItem(
            results_, {QString::fromStdString(match.name), QString::fromStdString(match.folder)});
        item->setData(0, kPathRole, QString::fromStdString(match.path.generic_string()));
        item->setIcon(0, definitionIcon_);
        AskThumbnail(*item);
        item->setForeground(1, QColor(170, 150, 150));
    }
    SynchroniseScrollBars();
}

void CModelTreeWindow::ListModelFolder() {
    if (top_ != nullptr) {
        return;
    }
    top_ = AddItem(nullptr, "model", kDirectory);
    top_->setData(0, kPathRole, QString("model"));
    Populate(top_, 0);
    // Open from the start without listing further: start-up reads ./model alone.
    const QSignalBlocker quiet(tree_);
    top_->setExpanded(true);
}

std::filesystem::path CModelTreeWindow::PathOf(const QTreeWidgetItem& item) {
    return std::filesystem::path(item.data(0, kPathRole).toString().toStdString());
}

int CModelTreeWindow::KindOf(const QTreeWidgetItem& item) {
    return item.data(0, kKindRole).toInt();
}

bool CModelTreeWindow::IsListed(const QTreeWidgetItem& item) {
    return item.data(0, kListedRole).toBool();
}

QTreeWidgetItem* CModelTreeWindow::AddItem(QTreeWidgetItem* parent, const std::string& name, int kind) {
    const QString text = QString::fromStdString(name);
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(tree_, {text});
    if (parent != nullptr) {
        item->setData(0, kPathRole, parent->data(0, kPathRole).toString() + "/" + text);
    }
    item->setData(0, kKindRole, kind);
    item->setData(0, kListedRole, false);
    item->setIcon(0, kind == kDirectory ? folderIcon_ : definitionIcon_);
    if (kind == kDirectory) {
        // The expand button shows before the folder's content is known.
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    } else {
        AskThumbnail(*item);
    }
    return item;
}

void CModelTreeWindow::Populate(QTreeWidgetItem* item, int depth) {
    if (item == nullptr || KindOf(*item) != kDirectory) {
        return;
    }
    if (!IsListed(*item)) {
        item->setData(0, kListedRole, true);
        const std::filesystem::path folder = root_ / PathOf(*item);
        const ModelDirectoryListing listing = ListModelDirectory(folder);
        for (const ModelDirectoryEntry& entry : listing.entries) {
            AddItem(item, entry.name, entry.directory ? kDirectory : kDefinition);
        }
        if (!listing.error.empty() && error_) {
            error_(QString::fromUtf8("フォルダー「%1」を読み込めませんでした（%2）。")
                       .arg(QString::fromStdString(PathOf(*item).generic_string()),
                            QString::fromStdString(listing.error)));
        }
    }
    if (depth <= 0) {
        return;
    }
    for (int i = 0; i < item->childCount(); ++i) {
        Populate(item->child(i), depth - 1);
    }
}

void CModelTreeWindow::Click(QTreeWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    tree_->setCurrentItem(item);
    if (KindOf(*item) == kDirectory) {
        Populate(item, kListDepthOnClick);
        return;
    }
    if (KindOf(*item) != kDefinition) {
        return;
    }
    Choose(PathOf(*item));
}

void CModelTreeWindow::Choose(const std::filesystem::path& definition) {
    if (definitionChosen_) {
        definitionChosen_(definition);
    }
    // Reset even when the definition cannot be taken.
    for (CEditWindow* field : randomFields_) {
        field->SetValue(0.0f);
    }
}

void CModelTreeWindow::SynchroniseScrollBars() {
    verticalBar_->Synchronise();
    horizontalBar_->Synchronise();
}

void CModelTreeWindow::resizeEvent(QResizeEvent*) {
    const int t = verticalBar_->Thickness();
    const int s = kSearchHeight;
    search_->setGeometry(0, 0, width(), s);
    tree_->setGeometry(0, s, width() - t, height() - t - s);
    results_->setGeometry(0, s, width() - t, height() - t - s);
    verticalBar_->setGeometry(width() - t, s, t, height() - t - s);
    horizontalBar_->setGeometry(0, height() - t, width() - t, t);
    SynchroniseScrollBars();
}

} // namespace quorvane
