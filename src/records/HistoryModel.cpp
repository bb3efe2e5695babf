#include "records/HistoryModel.h"

#include "records/HistoryTexts.h"

#include <algorithm>

using store::Row;

namespace records {

namespace {
// Newest first: later time, and at the same time the higher id.
bool newer(const Row& a, const Row& b) {
    return a.event.timeMs != b.event.timeMs ? a.event.timeMs > b.event.timeMs : a.id > b.id;
}
} // namespace

HistoryModel::HistoryModel(store::Store& store, QObject* parent) : QAbstractTableModel(parent), store_(store) {
    connect(&store_, &store::Store::rowsReady, this, &HistoryModel::answer);
}

void HistoryModel::load(const std::optional<store::Query>& query) {
    beginResetModel();
    rows_.clear();
    more_ = false;
    query_ = query;
    firstRequest_ = pageRequest_ = pollRequest_ = 0;
    if (query_) {
        query_->limit = PageRows;
        query_->beforeTimeMs = LLONG_MAX;
        query_->beforeId = LLONG_MAX;
        firstRequest_ = store_.requestRows(*query_);
    }
    endResetModel();
}

void HistoryModel::poll(qint64 fromMs) {
    if (!query_ || firstRequest_ || pollRequest_) return;
    query_->fromMs = fromMs;
    dropOlderThan(fromMs);
    store::Query q = *query_;
    if (!rows_.empty()) q.fromMs = std::max(fromMs, rows_.front().event.timeMs);
    pollRequest_ = store_.requestRows(q);
}

void HistoryModel::dropOlderThan(qint64 fromMs) {
    const auto first = std::find_if(rows_.begin(), rows_.end(), [&](const Row& r) { return r.event.timeMs < fromMs; });
    if (first == rows_.end()) return;
    const int from = static_cast<int>(first - rows_.begin());
    beginRemoveRows({}, from, rows() - 1);
    rows_.erase(first, rows_.end());
    more_ = false;
    endRemoveRows();
}

void HistoryModel::answer(quint64 request, const std::vector<Row>& rows, bool more) {
    if (request == 0) return;
    if (request == firstRequest_) {
        firstRequest_ = 0;
        if (!rows.empty()) {
            beginInsertRows({}, 0, static_cast<int>(rows.size()) - 1);
            rows_ = rows;
            more_ = more;
            endInsertRows();
        }
        emit changed();
    } else if (request == pageRequest_) {
        pageRequest_ = 0;
        // Only rows older than the last one listed (a poll may have dropped some meanwhile).
        std::vector<Row> older;
        for (const Row& r : rows)
            if ((rows_.empty() || newer(rows_.back(), r)) && r.event.timeMs >= query_->fromMs) older.push_back(r);
        more_ = more && !older.empty();
        if (!older.empty()) {
            beginInsertRows({}, this->rows(), this->rows() + static_cast<int>(older.size()) - 1);
            rows_.insert(rows_.end(), older.begin(), older.end());
            endInsertRows();
        }
        emit changed();
    } else if (request == pollRequest_) {
        pollRequest_ = 0;
        if (more) {
            // More came than a page since the last look: start again from the top.
            load(query_);
            return;
        }
        std::vector<Row> fresh;
        for (const Row& r : rows)
            if (rows_.empty() || newer(r, rows_.front())) fresh.push_back(r);
        if (fresh.empty()) return;
        beginInsertRows({}, 0, static_cast<int>(fresh.size()) - 1);
        rows_.insert(rows_.begin(), fresh.begin(), fresh.end());
        endInsertRows();
        emit changed();
    }
}

int HistoryModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows(); }

int HistoryModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows()) return {};
    const Row& r = row(index.row());
    const auto column = static_cast<Column>(index.column());
    switch (role) {
    case Qt::DisplayRole: return cellText(r, column);
    case Qt::ToolTipRole: return column == Column::Text ? QVariant(r.event.text) : QVariant();
    case Qt::TextAlignmentRole:
        return column == Column::Slot || column == Column::Lasted ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                                                                  : QVariant(int(Qt::AlignLeft | Qt::AlignVCenter));
    case OldStatusRole: return r.event.oldStatus;
    case NewStatusRole: return r.event.newStatus;
    default: return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount) return {};
    return columnTitle(static_cast<Column>(section));
}

bool HistoryModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && query_ && more_ && !firstRequest_ && !pageRequest_ && !rows_.empty();
}

void HistoryModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    store::Query q = *query_;
    q.beforeTimeMs = rows_.back().event.timeMs;
    q.beforeId = rows_.back().id;
    pageRequest_ = store_.requestRows(q);
}

} // namespace records
