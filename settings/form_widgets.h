// Small helpers the settings forms share: UTF-8 text to and from Qt strings, and the list
// views and buttons of the tabs, made with their object names for the tests to find.
#pragma once

#include <QPushButton>
#include <QString>
#include <QTreeWidget>
#include <initializer_list>
#include <string>
#include <utility>

inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
inline QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
inline std::string S(const QString& text) { return text.toStdString(); }

// A single-selection list of whole rows with the given column headings and widths; it is
// not sorted by Qt (the form sorts it by its first column).
QTreeWidget* MakeListView(QWidget* parent, const char* name,
                          std::initializer_list<std::pair<const char*, int>> columns);

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption);
