// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "settings/server_filter.h"

#include <QObject>
#include <QRect>

class QLineEdit;
class QMenu;
class QToolButton;
class QWidget;

// The Servers list's filter row: a text that must occur in the name or the map, and a "Filters"
// button whose menu hides empty, full or passworded servers and those above a ping. It edits the
// filter it is given and says when it changed; the page applies it to the rows.
class CServerFilterRow : public QObject {
    Q_OBJECT
public:
    enum ControlId {
        IdFilterText = 2160,
        IdFilters = 2161,
        IdHideEmpty = 2162,
        IdHideFull = 2163,
        IdHidePassworded = 2164,
        IdMaxPing = 2165, // the submenu
        IdAnyPing = 2166, // then one line per choice of kPingChoices
        IdClearFilters = 2175,
    };
    static constexpr int kPingChoices[] = {50, 100, 150, 250, 400};

    // The two controls go onto page at dlu (dialog units): the text, then the button at its right.
    CServerFilterRow(ServerFilter& filter, QWidget* page, const QRect& dlu);

    QMenu* menu() const { return menu_; }
    // Shows the filter as it is now (after a change made elsewhere).
    void LoadControls();

Q_SIGNALS:
    void changed();

protected:
    // Escape in a filter text empties it, rather than reaching the main window (which closes).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateWidgets(QWidget* page, const QRect& dlu);
    void ConnectWidgets();
    void FillPingMenu();

    ServerFilter& filter_;
    QLineEdit* text_ = nullptr;
    QToolButton* button_ = nullptr;
    QMenu* menu_ = nullptr;
    QMenu* pingMenu_ = nullptr;
};
