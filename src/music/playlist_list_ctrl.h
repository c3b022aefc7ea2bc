// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ui/sort_list_ctrl.h"

#include <functional>
#include <string>

// The playlist view of the Playlist Editor: the columns File, Length and Bitrate, one entry a
// line of playlist.txt, sorted by a header click like every list. Adds what the editor does to
// it beyond sorting: entries of three texts, the shuffle, and forgetting the sort column.
class CPlayListCtrl : public CSortListCtrl {
    Q_OBJECT
public:
    enum Column { FileColumn = 0, LengthColumn = 1, BitrateColumn = 2 };

    explicit CPlayListCtrl(QWidget* parent = nullptr);

    // An entry of three texts at row (past the end: appended); where it went.
    int InsertEntry(int row, const std::string& file, const std::string& length, const std::string& bitrate);
    int AppendEntry(const std::string& file, const std::string& length, const std::string& bitrate);

    // The sort arrow goes and no column counts as sorted any more (kNoSortColumn).
    void ClearSortIndicator();

    // Puts the entries in the order a sort produces when every comparison answers
    // random() % 100 - 50 (from -50 to 49), whatever the two entries: the list's own merge sort
    // decides what comes of those answers. The selected entry stays selected.
    void Shuffle(const std::function<int()>& random);

    // The File column's texts from first to last, markers included.
    std::vector<std::string> FileTexts() const;

Q_SIGNALS:
    // A click anywhere in the list, on an entry or beside the entries, told once the view has
    // selected (or deselected) as the click asks, as a list control reports its clicks.
    void listClicked();
    void listDoubleClicked();
    void listRightClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
