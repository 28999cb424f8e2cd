#include "panels/GuiFile.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace Ostra {

// ---- reading

void TCSVReadWrite::Parse(std::string_view bytes) {
  Rows.clear();
  enum { FieldStart, Unquoted, Quoted, AfterQuote, AfterLineEnd } state = AfterLineEnd;
  TGuiRow row;
  std::string field;
  auto endField = [&] {
    row.push_back(std::move(field));
    field.clear();
  };
  auto endRow = [&] {
    endField();
    Rows.push_back(std::move(row));
    row.clear();
    state = AfterLineEnd;
  };
  for (char c : bytes) {
    const bool lineEnd = c == '\r' || c == '\n';
    switch (state) {
      case AfterLineEnd:
        if (lineEnd) break;
        [[fallthrough]];
      case FieldStart:
        if (c == ' ') state = FieldStart;
        else if (c == '"') state = Quoted;
        else if (c == ',') endField(), state = FieldStart;
        else if (lineEnd) endRow();
        else field += c, state = Unquoted;
        break;
      case Unquoted:
        if (c == ',') endField(), state = FieldStart;
        else if (lineEnd) endRow();
        else field += c;
        break;
      case Quoted:
        if (c == '"') state = AfterQuote;
        else field += c;
        break;
      case AfterQuote:
        if (c == '"') field += '"', state = Quoted;
        else if (c == ',') endField(), state = FieldStart;
        else if (lineEnd) endRow();
        break;
    }
  }
  // A field not ended by a comma or a line end is dropped, and so is a last
  // row without fields.
  if (!row.empty()) Rows.push_back(std::move(row));
}

bool TCSVReadWrite::LoadFromFile(const std::string& path) {
  Rows.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Parse(bytes);
  return !in.bad();
}

// ---- writing

std::string TCSVReadWrite::QuoteField(const std::string& field) {
  if (field.find_first_of(" ,\r\n\"") == std::string::npos) return field;
  std::string s = "\"";
  for (char c : field) {
    if (c == '"') s += '"';
    s += c;
  }
  return s + '"';
}

std::string TCSVReadWrite::Format() const {
  std::string out;
  for (const TGuiRow& row : Rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) out += ',';
      out += QuoteField(row[i]);
    }
    out += "\r\n";
  }
  return out;
}

bool TCSVReadWrite::SaveToFile(const std::string& path) const {
  const std::string bytes = Format();
  const std::string temporary = path + ".saving-" + std::to_string(getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

// ---- rows and controls

TGuiRow RowOf(const TEditObject& c) {
  TGuiRow row = {std::to_string(c.GetTypeCode()),
                 std::to_string(c.Bounds.Left),
                 std::to_string(c.Bounds.Top),
                 std::to_string(c.Bounds.Right),
                 std::to_string(c.Bounds.Bottom),
                 std::to_string(static_cast<uint32_t>(c.ID))};
  c.WriteFields(row);
  return row;
}

namespace {

// The ID field: written in unsigned decimal, so that every ID reads back as
// it was written (a negative one as its 32-bit pattern); a signed value is
// read as well.
bool ReadId(const std::string& field, int32_t& id) {
  if (ReadInteger(field, id)) return true;
  size_t i = field.find_first_not_of(" \t");
  if (i == std::string::npos) return false;
  uint64_t n = 0;
  for (; i < field.size(); ++i) {
    if (field[i] < '0' || field[i] > '9') return false;
    n = n * 10 + static_cast<uint64_t>(field[i] - '0');
    if (n > UINT32_MAX) return false;
  }
  id = static_cast<int32_t>(static_cast<uint32_t>(n));
  return true;
}

}  // namespace

std::unique_ptr<TEditObject> ControlOf(const TGuiRow& row) {
  if (row.size() < 6) return nullptr;
  int32_t n[6];
  for (int i = 0; i < 5; ++i)
    if (!ReadInteger(row[i], n[i])) return nullptr;
  if (!ReadId(row[5], n[5])) return nullptr;
  const TEditObjectCreator* creator = CreatorOf(n[0]);
  if (!creator) return nullptr;
  std::unique_ptr<TEditObject> c = creator->Create();
  c->Bounds = {n[1], n[2], n[3], n[4]};
  c->ID = n[5];
  size_t pos = 6;
  c->ReadFields(row, pos);
  return c;
}

// ---- the panel

void TPanelControls::Clear() {
  Controls.clear();
  Index.clear();
}

bool TPanelControls::LoadRows(const TCSVReadWrite& table) {
  Clear();
  if (table.Rows.size() > MaxGuiRows) return false;
  for (const TGuiRow& row : table.Rows)
    if (auto c = ControlOf(row)) Controls.push_back(std::move(c));
  return true;
}

TPanelLoad TPanelControls::LoadFile(const std::string& path) {
  TCSVReadWrite table;
  const bool read = table.LoadFromFile(path);
  if (!read) table.Rows.clear();
  if (!LoadRows(table)) return TPanelLoad::Refused;
  return read ? TPanelLoad::Loaded : TPanelLoad::Unreadable;
}

void TPanelControls::WriteRows(TCSVReadWrite& table) const {
  for (const auto& c : Controls) table.AddRow(RowOf(*c));
}

bool TPanelControls::SaveFile(const std::string& path) const {
  TCSVReadWrite table;
  WriteRows(table);
  return table.SaveToFile(path);
}

void TPanelControls::BuildIndex() {
  Index.clear();
  for (const auto& c : Controls) Index[c->ID] = c.get();
}

TEditObject* TPanelControls::Find(int32_t id) const {
  if (!Index.empty()) {
    auto it = Index.find(id);
    return it == Index.end() ? nullptr : it->second;
  }
  for (auto it = Controls.rbegin(); it != Controls.rend(); ++it)
    if ((*it)->ID == id) return it->get();
  return nullptr;
}

int32_t TPanelControls::SmallestFreeID() const {
  for (int32_t id = 1;; ++id) {
    bool used = false;
    for (const auto& c : Controls) used = used || c->ID == id;
    if (!used) return id;
  }
}

int32_t TPanelControls::LargestID() const {
  int32_t n = 1;
  for (const auto& c : Controls) n = std::max(n, c->ID);
  return n;
}

}  // namespace Ostra
