#pragma once

#include "frmcaldrin.h"
#include "windowtest.h"

// The album window on a small catalogue of its own.
class CaldrinWindowTest : public WindowTest<frmCaldrin, Program::Caldrin> {
protected:
    // Two albums, one of them shared by two artists, and an artist with two albums.
    void MakeCatalogue() {
        folder.CreateEmpty();
        auto db = folder.Open();
        AddAlbumTrack(*db, "森 健", "夏の午後", 2, "花火");
        AddAlbumTrack(*db, "森 健", "夏の午後", 1, "約束");
        AddAlbumTrack(*db, "ｷﾑﾗ Trio", "夏の午後", 1, "ﾒﾛﾃﾞｨｰ");
        AddAlbumTrack(*db, "森 健", "Blue Harbor", 1, "Sunrise");
        AddAlbumTrack(*db, "Anna", "Blue Harbor", 3, "Rain");
    }

    // Fills the entry tab as a user types it.
    void TypeEntry(const QString& artist, const QString& album, const QString& number,
                   const QString& title) {
        TypeFields({{&List("cmbartist(3)"), artist},
                    {&List("cmbAlbum(3)"), album},
                    {window->txtNo, number},
                    {window->txtName, title}});
    }
    static QStringList Titles(const DataGrid& grid) { return Column(grid, 4); }
    QStringList StoredTitles() { return Stored("曲名"); }
};
