#include "app/PasswordAudit.h"

#include "common/Error.h"
#include "store/ItemDataList.h"

#include <cstdint>
#include <string_view>
#include <functional>

namespace tobrix {

namespace {

// The smallest power of two that is at least twice n: a table at most half full.
std::size_t TableSize(std::size_t n) {
    std::size_t size = 16;
    while (size < 2 * n)
        size *= 2;
    return size;
}

} // namespace

std::vector<AuditRow> AuditPasswords(const ItemDataList& items) {
    const auto count = static_cast<std::size_t>(items.Count());
    // Each password's group: the entries that have it, chained in list order from the first.
    struct Group {
        int first, last, size;
        bool isShort;
    };
    std::vector<Group> groups;
    groups.reserve(count);
    std::vector<int> groupOf(count, -1); // -1: an empty password
    std::vector<int> next(count, -1);
    // The groups by password, open addressing with linear probing: no allocation per entry,
    // and the passwords themselves compared only when their hashes agree.
    struct Slot {
        std::size_t hash;
        int group; // -1: free
    };
    const std::size_t size = TableSize(count);
    std::vector<Slot> table(size, Slot{0, -1});
    const std::hash<std::string_view> hash;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& password = items.At(static_cast<int>(i)).Password;
        if (password.empty())
            continue;
        const std::size_t h = hash(password);
        std::size_t at = h & (size - 1);
        for (;; at = (at + 1) & (size - 1)) {
            Slot& slot = table[at];
            if (slot.group < 0) {
                slot = {h, static_cast<int>(groups.size())};
                groups.push_back({static_cast<int>(i), static_cast<int>(i), 1, password.size() < kAuditShortLength});
                break;
            }
            if (slot.hash == h && items.At(groups[static_cast<std::size_t>(slot.group)].first).Password == password) {
                Group& g = groups[static_cast<std::size_t>(slot.group)];
                next[static_cast<std::size_t>(g.last)] = static_cast<int>(i);
                g.last = static_cast<int>(i);
                ++g.size;
                break;
            }
        }
        groupOf[i] = table[at].group;
    }

    std::vector<AuditRow> rows;
    for (std::size_t i = 0; i < count; ++i) {
        const int index = static_cast<int>(i);
        const int g = groupOf[i];
        if (g < 0) {
            rows.push_back({index, true});
            continue;
        }
        const Group& group = groups[static_cast<std::size_t>(g)];
        if (group.size == 1) {
            if (group.isShort)
                rows.push_back({index, false, true});
        } else if (group.first == index) {
            // The whole group here, where its first entry is; its others are skipped below.
            for (int k = index; k >= 0; k = next[static_cast<std::size_t>(k)])
                rows.push_back({k, false, group.isShort, group.size});
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
