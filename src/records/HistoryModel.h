#pragma once
// The rows the History window lists, newest first, and the conversation with the store that
// fills them: the first page of a query, the next page when the view scrolls to the end (keyset
// paging on time and id), and, while the range ends now, the rows recorded since the newest one
// shown, at the top. Answers are matched to requests by number; an answer to a query the window
// has left is dropped. Needs no window.

#include "store/Store.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

namespace records {

class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int PageRows = 1000;
    // The statuses of a row's change, for the chips (-1: none).
    enum Role { OldStatusRole = Qt::UserRole + 1, NewStatusRole };

    explicit HistoryModel(store::Store& store, QObject* parent = nullptr);

    // Empties the list and asks for the first page of `query`; none: nothing can match.
    void load(const std::optional<store::Query>& query);
    // Asks for the rows recorded after the newest one listed, and drops those older than
    // `fromMs` (the start of a range that ends now moves on). Nothing while the first page is on
    // its way, or while new rows are.
    void poll(qint64 fromMs);

    const store::Row& row(int index) const { return rows_[static_cast<size_t>(index)]; }
    int rows() const { return static_cast<int>(rows_.size()); }
    // More rows are in the store beyond the last one listed.
    bool more() const { return more_; }
    // The first page has not come yet.
    bool loading() const { return firstRequest_ != 0; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // A page or new rows came.
    void changed();

private:
    void answer(quint64 request, const std::vector<store::Row>& rows, bool more);
    void dropOlderThan(qint64 fromMs);

    store::Store& store_;
    std::optional<store::Query> query_;
    std::vector<store::Row> rows_;
    bool more_ = false;
    quint64 firstRequest_ = 0;
    quint64 pageRequest_ = 0;
    quint64 pollRequest_ = 0;
};

} // namespace records
