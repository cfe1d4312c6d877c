#pragma once

#include "ui/model_directory.h"
#include "ui/scroll_bar.h"
#include "ui/ui_style.h"

#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QTreeWidget>
#include <QWidget>
#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace quorvane {

class CEditWindow;
class CThumbnailCache;
class CThumbnailWorker;

// "MDF Select View": the folders and definition files below ./model, read
// lazily (a folder when it is first clicked or expanded, with its subfolders
// three levels down), in the order the file system gives them. A click on a
// definition hands its path on for previewing and placing, and sets the six
// random-range fields back to 0. The search box above it lists the
// definitions whose name holds what is typed, with their folders, from a
// walk of ./model made on a thread of its own; Enter takes the first,
// Escape clears the box and shows the tree again.
class CModelTreeWindow : public QWidget {
public:
    enum ItemKind { kDirectory = 1, kDefinition = 2 };
    static constexpr int kItemHeight = 28;
    static constexpr int kListDepthOnClick = 3;

    // root: the folder that holds "model" (the working directory).
    CModelTreeWindow(QWidget* parent, const UiScale& scale, std::filesystem::path root = ".");
    ~CModelTreeWindow() override; // waits for the walk of ./model
    CModelTreeWindow(const CModelTreeWindow&) = delete;
    CModelTreeWindow& operator=(const CModelTreeWindow&) = delete;

    void SetDefinitionHandler(std::function<void(const std::filesystem::path&)> handler) {
        definitionChosen_ = std::move(handler);
    }
    // A folder that cannot be read is told here (in Japanese); the tree goes on without it.
    void SetErrorHandler(std::function<void(const QString&)> handler) { error_ = std::move(handler); }
    void SetRandomFields(std::vector<CEditWindow*> fields) { randomFields_ = std::move(fields); }

    QTreeWidget* Tree() const { return tree_; }
    QLineEdit* SearchBox() const { return search_; }
    QTreeWidget* Results() const { return results_; }
    // Pictures of the definitions, from the cache or drawn on a thread of
    // the window's own; asked for as definitions are listed, made once started.
    void SetThumbnailCache(std::unique_ptr<CThumbnailCache> cache);
    void StartThumbnails();
    // The picture shown for a definition so far; null before it came.
    const QIcon* ThumbnailOf(const std::filesystem::path& definition) const;
    // Lists the folders listed so far again, on a thread of its own (every
    // two seconds by itself): what was added joins the tree, what is gone
    // leaves it, and open folders and the current row stay as they are.
    void RefreshListedFolders();
    bool Refreshing() const { return refreshing_.joinable() && !refreshDone_; }
    // The walk of ./model for the search has ended.
    bool DefinitionsListed() const { return definitionsListed_; }
    CScrollBar* VerticalBar() const { return verticalBar_; }
    CScrollBar* HorizontalBar() const { return horizontalBar_; }
    QTreeWidgetItem* TopItem() const { return top_; }
    // Puts in the top item "model" and lists ./model one level deep. Once,
    // after the handlers are set, so that an unreadable folder is told.
    void ListModelFolder();
    // The item's path relative to the root, "model/..." .
    static std::filesystem::path PathOf(const QTreeWidgetItem& item);
    static int KindOf(const QTreeWidgetItem& item);
    static bool IsListed(const QTreeWidgetItem& item);

    // What a click on an item does.
    void Click(QTreeWidgetItem* item);
    // Takes a definition for previewing and placing, as a click on it does.
    void Choose(const std::filesystem::path& definition);
    void SynchroniseScrollBars();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, const std::string& name, int kind);
    // Lists the folder of item once, and its subfolders down to depth more levels.
    void Populate(QTreeWidgetItem* item, int depth);
    void ShowMatches(); // the search box's text against the definitions found
    void StartListing();
    void AskThumbnail(QTreeWidgetItem& item); // a definition's row: its picture, or a request for it
    void ShowThumbnail(const std::filesystem::path& definition, const QImage& picture);
    void ApplyListings(const std::vector<std::pair<QTreeWidgetItem*, ModelDirectoryListing>>& listings);

    std::filesystem::path root_;
    QTreeWidget* tree_ = nullptr;
    QTreeWidgetItem* top_ = nullptr;
    CScrollBar* verticalBar_ = nullptr;
    CScrollBar* horizontalBar_ = nullptr;
    QIcon folderIcon_;
    QIcon definitionIcon_;
    std::function<void(const std::filesystem::path&)> definitionChosen_;
    std::function<void(const QString&)> error_;
    std::vector<CEditWindow*> randomFields_;
    QLineEdit* search_ = nullptr;
    QTreeWidget* results_ = nullptr;
    std::vector<std::filesystem::path> definitions_; // UI thread, once the walk has ended
    bool definitionsListed_ = false;
    bool listingDone_ = false; // no walk runs: a new search may start one
    bool wasSearching_ = false;
    bool relistWanted_ = false;               // a search began during a walk: walk again once it ends
    std::map<std::string, QIcon> thumbnails_; // by "model/..." path
    QIcon plainMark_;                         // a definition whose model cannot be drawn
    std::thread listing_;                     // the walk of ./model; joined by the destructor
    std::thread refreshing_;                  // the listed folders read again; joined by the destructor
    std::atomic<bool> refreshDone_{true};
    std::unique_ptr<CThumbnailWorker> thumbnailWorker_; // posts to this window
};

} // namespace quorvane
