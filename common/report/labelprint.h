#pragma once

#include "pagerenderer.h"

namespace report {

// The rows of a label: its own read-only connection to the catalogue, the query run and read
// through before anything is laid out. Throws DbError with a message fit for the user.
std::shared_ptr<const Snapshot> LoadRows(const QString& catalogue, Program program,
                                         const QString& sql);

// Writes every page to a PDF file, fonts embedded. Throws std::runtime_error on failure.
void WritePdf(const PageRenderer& renderer, const QString& path);

} // namespace report
