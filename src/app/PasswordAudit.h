#pragma once
// A look at the passwords of all entries: the ones that are empty, short, or used by more than
// one entry. The report names entries, never a password, and nothing of it leaves the window.

#include "common/Cp932Literal.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix {

class ItemDataList;

inline constexpr std::string_view kAuditCaption = sjis<u8"パスワードの点検">();
inline constexpr std::string_view kAuditColumns[] = {sjis<u8"タイトル">(), sjis<u8"ユーザーID">(), sjis<u8"理由">()};
inline constexpr int kAuditColumnCount = 3;
// Shorter than this many bytes is short.
inline constexpr std::size_t kAuditShortLength = 8;

struct AuditRow {
    int index;          // the entry's ItemList position
    bool empty = false; // its password is empty
    bool isShort = false;
    int sameCount = 0;  // entries with its password, itself included, when more than one
    bool operator==(const AuditRow&) const = default;
};

// The entries to look at, in list order, except that those sharing a password stand together
// where the first of them is. One pass over the passwords, each hashed once.
std::vector<AuditRow> AuditPasswords(const ItemDataList& items);

// The reason column's text.
std::string AuditReason(const AuditRow& row);

// What TfrmPasswordAudit needs of its window.
class PasswordAuditView {
public:
    virtual ~PasswordAuditView() = default;
    virtual void Close() = 0;
};

// The report's dialog: an owner-data list of AuditPasswords' rows; choosing one (a double click,
// Enter) closes it with that entry to be selected in the main window.
class TfrmPasswordAudit {
public:
    explicit TfrmPasswordAudit(const ItemDataList& items) : items_(items) {}

    void Attach(PasswordAuditView& view) { view_ = &view; }
    void Detach() { view_ = nullptr; }

    // Works the report out.
    void FormShow();
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // A row outside the report gets empty text.
    std::string CellText(int row, int column) const;
    // The row was chosen; a row outside the report does nothing.
    void lsvReportChoose(int row);

    // The ItemList position of the entry chosen, once the window closed with one.
    std::optional<int> Chosen;

private:
    const ItemDataList& items_;
    PasswordAuditView* view_ = nullptr;
    std::vector<AuditRow> rows_;
};

} // namespace tobrix
