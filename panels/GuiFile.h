#pragma once
// The .gui file: one control per line, fields separated by commas, quoted
// where needed, lines ended by CR LF, bytes as they are (Windows-1252). And
// the panel model the editor, the control window and the headless runner
// share: the controls in file order with the lookup by ID.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "panels/EditObject.h"

namespace Ostra {

// An in-memory table of rows of fields, read from and written to .gui files.
class TCSVReadWrite {
public:
  std::vector<TGuiRow> Rows;

  // Clears the table and reads the file; false (with the rows read so far)
  // when it cannot be read.
  bool LoadFromFile(const std::string& path);
  // Writes the table. The bytes go to a temporary file next to the target
  // that then replaces it, so a failed save leaves the previous file intact.
  bool SaveToFile(const std::string& path) const;

  // Clears the table and reads the rows from bytes.
  void Parse(std::string_view bytes);
  // The file's bytes for the table.
  std::string Format() const;
  // A field as it is written: enclosed in double quotes, inner quotes
  // doubled, when it holds a blank, a comma, CR, LF or a double quote.
  static std::string QuoteField(const std::string& field);

  void AddRow(TGuiRow row) { Rows.push_back(std::move(row)); }
};

// Files with more rows than this are refused as a whole.
constexpr size_t MaxGuiRows = 4096;

enum class TPanelLoad {
  Loaded,      // the file was read
  Unreadable,  // missing or unreadable: the panel is empty
  Refused,     // more than MaxGuiRows rows: the panel is empty
};

// The controls of one panel.
class TPanelControls {
public:
  std::vector<std::unique_ptr<TEditObject>> Controls;

  // Replaces the controls by those of the rows; false (and no controls) for
  // more than MaxGuiRows rows. Rows that describe no control are skipped.
  bool LoadRows(const TCSVReadWrite& table);
  TPanelLoad LoadFile(const std::string& path);
  void WriteRows(TCSVReadWrite& table) const;
  bool SaveFile(const std::string& path) const;

  void Clear();
  // The ID index: the last control of an ID in file order wins. Without an
  // index, Find searches the list with the same outcome.
  void BuildIndex();
  TEditObject* Find(int32_t id) const;

  // The smallest positive ID no control has.
  int32_t SmallestFreeID() const;
  // The largest ID of all controls, at least 1.
  int32_t LargestID() const;

private:
  std::map<int32_t, TEditObject*> Index;
};

// A control's row: type code, the four bounds, the ID (unsigned) and the
// type's fields.
TGuiRow RowOf(const TEditObject& control);
// The control a row describes, or null when the row describes none.
std::unique_ptr<TEditObject> ControlOf(const TGuiRow& row);

}  // namespace Ostra
