#include "app/PasswordAudit.h"

#include "common/Error.h"
#include "store/ItemDataList.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>

namespace tobrix {

std::vector<AuditRow> AuditPasswords(const ItemDataList& items) {
    const int count = items.Count();
    // Each password's group: the entries that have it, chained in list order from the first.
    struct Group {
        int first, last, size;
    };
    std::vector<Group> groups;
    std::vector<int> groupOf(static_cast<std::size_t>(count), -1); // -1: an empty password
    std::vector<int> next(static_cast<std::size_t>(count), -1);
    std::unordered_map<std::string_view, int> byPassword;
    byPassword.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::string& password = items.At(i).Password;
        if (password.empty())
            continue;
        const auto [at, added] = byPassword.try_emplace(password, static_cast<int>(groups.size()));
        if (added) {
            groups.push_back({i, i, 1});
        } else {
            Group& g = groups[static_cast<std::size_t>(at->second)];
            next[static_cast<std::size_t>(g.last)] = i;
            g.last = i;
            ++g.size;
        }
        groupOf[static_cast<std::size_t>(i)] = at->second;
    }

    std::vector<AuditRow> rows;
    for (int i = 0; i < count; ++i) {
        const int g = groupOf[static_cast<std::size_t>(i)];
        if (g < 0) {
            rows.push_back({i, true});
            continue;
        }
        const Group& group = groups[static_cast<std::size_t>(g)];
        const bool isShort = items.At(i).Password.size() < kAuditShortLength;
        if (group.size == 1) {
            if (isShort)
                rows.push_back({i, false, true});
        } else if (group.first == i) {
            // The whole group here, where its first entry is; its others are skipped below.
            for (int k = i; k >= 0; k = next[static_cast<std::size_t>(k)])
                rows.push_back({k, false, isShort, group.size});
        }
    }
    return rows;
}

std::string AuditReason(const AuditRow& row) {
    if (row.empty)
        return std::string(sjis<u8"空">());
    std::string reason;
    if (row.sameCount > 1)
        reason = Substitute(sjis<u8"同じパスワード: %s 件">(), std::to_string(row.sameCount));
    if (row.isShort) {
        if (!reason.empty())
            reason += sjis<u8"、">();
        reason += sjis<u8"8 バイト未満">();
    }
    return reason;
}

void TfrmPasswordAudit::FormShow() { rows_ = AuditPasswords(items_); }

std::string TfrmPasswordAudit::CellText(int row, int column) const {
    if (row < 0 || row >= RowCount())
        return {};
    const AuditRow& r = rows_[static_cast<std::size_t>(row)];
    const TVirtualItem& item = items_.At(r.index);
    switch (column) {
    case 0: return item.Title;
    case 1: return item.UserID;
    case 2: return AuditReason(r);
    default: return {};
    }
}

void TfrmPasswordAudit::lsvReportChoose(int row) {
    if (row < 0 || row >= RowCount())
        return;
    Chosen = rows_[static_cast<std::size_t>(row)].index;
    if (view_ != nullptr)
        view_->Close();
}

} // namespace tobrix
