#include "ui/definition_chooser.h"

#include "editor/main_field.h"
#include "editor/model_definition.h"
#include "platform/guarded_work.h"

#include <QStringList>
#include <system_error>

namespace quorvane {
namespace {
QString Shown(const std::filesystem::path& path) {
    return QString::fromStdString(path.generic_string());
}
} // namespace

CDefinitionChooser::CDefinitionChooser(std::function<void(const QString&)> report)
    : report_(std::move(report)) {}

CDefinitionChooser::~CDefinitionChooser() {
    Wait();
}

void CDefinitionChooser::Wait() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool CDefinitionChooser::Choose(std::shared_ptr<CFieldHandle> field,
                                const std::filesystem::path& definitionFile) {
    if (!field) {
        report_(QString::fromUtf8("フィールドビューの準備ができていないため、「%1」を選べませんでした。")
                    .arg(Shown(definitionFile)));
        return false;
    }
    if (busy_.exchange(true, std::memory_order_acq_rel)) {
        report_(QString::fromUtf8("前のモデル定義を読み込んでいます。終わってからもう一度選んでください。"));
        return false;
    }
    Wait(); // the previous worker has finished its run; only its thread is left
    try {
        worker_ = std::thread([this, field = std::move(field), definitionFile] {
            RunGuarded("モデル定義の選択", [&] { Run(*field, definitionFile); });
            busy_.store(false, std::memory_order_release);
        });
    } catch (const std::system_error& error) {
        busy_.store(false, std::memory_order_release);
        report_(QString::fromUtf8("「%1」を読み込むスレッドを作れませんでした（%2）。")
                    .arg(Shown(definitionFile), QString::fromLocal8Bit(error.what())));
        return false;
    }
    return true;
}

void CDefinitionChooser::Run(CFieldHandle& field, const std::filesystem::path& definitionFile) {
    CModelDefinition definition;
    std::string error;
    if (!definition.Load(definitionFile, error)) {
        report_(QString::fromUtf8("モデル定義ファイル「%1」を読み込めませんでした（%2）。")
                    .arg(Shown(definitionFile), QString::fromStdString(error)));
        return;
    }
    if (definition.count == 0) {
        report_(QString::fromUtf8("モデル定義ファイル「%1」にはモデルが書かれていません。")
                    .arg(Shown(definitionFile)));
        return;
    }
    QStringList missing;
    for (uint32_t i = 0; i < definition.count; ++i) {
        std::error_code statError;
        if (definition.lodValues[i] == 0 &&
            !std::filesystem::is_regular_file(definition.paths[i], statError)) {
            missing << QString::fromStdString(definition.paths[i]);
        }
    }
    if (!field.With([&definition](CMainField& core) { core.ChooseModelForPlacement(definition); })) {
        return; // the field view went meanwhile
    }
    if (!missing.isEmpty()) {
        report_(QString::fromUtf8("「%1」のモデルを読み込めませんでした: %2")
                    .arg(Shown(definitionFile), missing.join(QString::fromUtf8("、"))));
    }
}

} // namespace quorvane
