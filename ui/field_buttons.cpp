#include "ui/field_buttons.h"

#include "editor/main_field.h"
#include "ui/notice_banner.h"
#include "ui/write_report_text.h"

namespace quorvane {

CButtonDelete::CButtonDelete(QWidget* parent, const UiScale& scale, FieldAccess field)
    : CCustomButton(parent, scale), field_(std::move(field)) {
    setObjectName("CLASS_BUTTONDELETE");
    SetLabel(QString::fromUtf8("  リストから削除    "));
    SetFaceColour(Argb(255, 100, 80, 100));
}

void CButtonDelete::OnClick() {
    if (CMainField* field = field_ ? field_() : nullptr) {
        field->RequestDelete();
    }
}

CButtonWriteFile::CButtonWriteFile(QWidget* parent, const UiScale& scale, FieldAccess field,
                                   CNoticeBanner* notices)
    : CCustomButton(parent, scale), field_(std::move(field)), notices_(notices) {
    setObjectName("CLASS_BUTTONWRITEFILE");
    SetLabel(QString::fromUtf8("配置リストをファイルに書き出し"));
    SetRimColour(Argb(255, 100, 80, 80));
    SetFaceColour(Argb(255, 100, 80, 80));
}

void CButtonWriteFile::OnClick() {
    CMainField* field = field_ ? field_() : nullptr;
    if (field == nullptr) {
        if (notices_ != nullptr) {
            notices_->Show(NoticeKind::Error, QString::fromUtf8("フィールドビューの準備ができていないため、"
                                                                "書き出せませんでした。"));
        }
        return;
    }
    // The files are written and synced off the UI thread; the banner posts the outcome back.
    CNoticeBanner* notices = notices_;
    field->WriteGridFilesInBackground([notices](const GridWriteReport& report) {
        if (notices != nullptr) {
            const WriteReportText text = DescribeWriteReport(report);
            notices->Post(text.failed ? NoticeKind::Error : NoticeKind::Info, text.message);
        }
    });
}

} // namespace quorvane
