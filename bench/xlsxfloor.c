/* What writing a catalogue's tracks as a workbook cannot do without: every track read in the order
 * entered and written with libxlsxwriter in constant-memory mode, a bold heading, the track number
 * as a number cell and every other value as a string cell, as exportcsv writes them.
 *
 *   bench_xlsxfloor CATALOGUE OUT.xlsx COLUMN...      (the track number's column named 曲番) */

#include <sqlite3.h>
#include <stdio.h>
#include <string.h>
#include <xlsxwriter.h>

int main(int argc, char* argv[]) {
    if (argc < 4) {
        fputs("usage: bench_xlsxfloor CATALOGUE OUT.xlsx COLUMN...\n", stderr);
        return 1;
    }
    const int columns = argc - 3;
    char sql[1024] = "SELECT ";
    for (int i = 0; i < columns; ++i) {
        strncat(sql, argv[3 + i], sizeof sql - strlen(sql) - 1);
        strncat(sql, i + 1 < columns ? ", " : " FROM データレコード ORDER BY ID",
                sizeof sql - strlen(sql) - 1);
    }
    sqlite3* db = NULL;
    sqlite3_stmt* stmt = NULL;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK ||
        sqlite3_prepare_v2(db, sql, -1, &stmt, NULL) != SQLITE_OK) {
        fprintf(stderr, "%s: %s\n", argv[1], sqlite3_errmsg(db));
        return 1;
    }
    lxw_workbook_options options = {.constant_memory = LXW_TRUE};
    lxw_workbook* book = workbook_new_opt(argv[2], &options);
    lxw_worksheet* sheet = book ? workbook_add_worksheet(book, "曲") : NULL;
    if (!sheet) {
        fprintf(stderr, "%s: cannot make the workbook\n", argv[2]);
        return 1;
    }
    lxw_format* heading = workbook_add_format(book);
    format_set_bold(heading);
    for (int i = 0; i < columns; ++i)
        worksheet_write_string(sheet, 0, (lxw_col_t)i, argv[3 + i], heading);
    worksheet_freeze_panes(sheet, 1, 0);
    lxw_row_t row = 1;
    for (; sqlite3_step(stmt) == SQLITE_ROW; ++row) {
        for (int i = 0; i < columns; ++i) {
            if (sqlite3_column_type(stmt, i) == SQLITE_NULL)
                continue;
            if (strcmp(argv[3 + i], "曲番") == 0)
                worksheet_write_number(sheet, row, (lxw_col_t)i, sqlite3_column_double(stmt, i),
                                       NULL);
            else
                worksheet_write_string(sheet, row, (lxw_col_t)i,
                                       (const char*)sqlite3_column_text(stmt, i), NULL);
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}
