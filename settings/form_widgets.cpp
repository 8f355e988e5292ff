#include "settings/form_widgets.h"

#include <QHeaderView>

QTreeWidget* MakeListView(QWidget* parent, const char* name,
                          std::initializer_list<std::pair<const char*, int>> columns) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSortingEnabled(false);  // sorted by SortListView, by the first column only
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList headings;
    for (const auto& column : columns) headings << Q(column.first);
    list->setHeaderLabels(headings);
    int index = 0;
    for (const auto& column : columns) list->setColumnWidth(index++, column.second);
    list->header()->setStretchLastSection(false);
    return list;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(Q(caption), parent);
    button->setObjectName(name);
    return button;
}
