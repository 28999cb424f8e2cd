#pragma once
// The user manual as a paged document: the tour of the language with its
// screenshots, a table of contents with page numbers, and the help entry of
// every built-in function. Headings never end a page: a heading whose text
// would start on the next page moves there with it.

#include <QPagedPaintDevice>
#include <QSizeF>
#include <QString>
#include <QTextDocument>
#include <memory>

namespace Ostra {

// pageSize: the printable area of a page in the document's units. Images
// named in the tour are looked up relative to the tour's folder.
std::unique_ptr<QTextDocument> BuildManual(const QString& tourPath, const QString& version, QSizeF pageSize);

// The page (from 1) on which a block of a paged document starts.
int PageOf(const QTextDocument& doc, const QTextBlock& block);

// The text area of a page of printer in the document's units (96 per inch),
// with room below it for the page number.
QSizeF ManualPageSize(const QPagedPaintDevice& printer);
// Prints every page of the manual with its number below the text.
bool PrintManual(QTextDocument& doc, QPagedPaintDevice& printer);

}  // namespace Ostra
