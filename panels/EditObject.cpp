#include "panels/EditObject.h"

#include <cctype>
#include <limits>

namespace Ostra {

using TernioParser::IntegerValue;
using TernioParser::TReturnValue;

bool ReadInteger(const std::string& field, int32_t& value) {
  size_t i = 0;
  while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
  if (i == field.size()) return false;
  int64_t n = 0;
  for (; i < field.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(field[i]))) return false;
    n = n * 10 + (field[i] - '0');
    if (n > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
  }
  if (negative) n = -n;
  if (n > std::numeric_limits<int32_t>::max()) return false;
  value = static_cast<int32_t>(n);
  return true;
}

namespace {

// The next field of a row as an integer; false when it is missing or not one.
bool NextInteger(const TGuiRow& row, size_t& pos, int32_t& value) {
  if (pos >= row.size()) return false;
  return ReadInteger(row[pos++], value);
}

std::string NextText(const TGuiRow& row, size_t& pos) { return pos < row.size() ? row[pos++] : std::string(); }

// An alignment field: 0 unless it reads 0, 1 or 2.
int32_t NextAlignment(const TGuiRow& row, size_t& pos) {
  int32_t a = 0;
  return NextInteger(row, pos, a) && a >= 0 && a <= 2 ? a : 0;
}

bool SetAlignment(int32_t& alignment, const TReturnValue& value) {
  const int32_t a = IntegerValue(value.AsNumber());
  if (a < 0 || a > 2) return false;
  alignment = a;
  return true;
}

}  // namespace

TEditObject::~TEditObject() = default;

void TEditObject::SetControl(std::unique_ptr<TLiveControl> widget) {
  Live = std::move(widget);
  ApplyProperties();
}

bool TEditObject::ReadFields(const TGuiRow&, size_t&) { return true; }
void TEditObject::WriteFields(TGuiRow&) const {}
bool TEditObject::SetProperty(int32_t, const TReturnValue&) { return false; }
bool TEditObject::GetProperty(int32_t, TReturnValue&) const { return false; }

// ---- label and display

bool TLabelObject::ReadFields(const TGuiRow& row, size_t& pos) {
  Text = NextText(row, pos);
  Alignment = NextAlignment(row, pos);
  return true;
}

void TLabelObject::WriteFields(TGuiRow& row) const {
  row.push_back(Text);
  row.push_back(std::to_string(Alignment));
}

bool TLabelObject::SetProperty(int32_t id, const TReturnValue& value) {
  if (id == 0) Text = value.AsString();
  else if (id != 1 || !SetAlignment(Alignment, value)) return false;
  ApplyProperties();
  return true;
}

bool TLabelObject::GetProperty(int32_t id, TReturnValue& result) const {
  if (id == 0) result.SetString(Text);
  else if (id == 1) result.SetNumber(Alignment);
  else return false;
  return true;
}

bool TDisplayObject::ReadFields(const TGuiRow& row, size_t& pos) {
  TLabelObject::ReadFields(row, pos);
  if (!NextInteger(row, pos, FontSize)) FontSize = 16;
  return true;
}

void TDisplayObject::WriteFields(TGuiRow& row) const {
  TLabelObject::WriteFields(row);
  row.push_back(std::to_string(FontSize));
}

// ---- scrollbar

bool TScrollbarObject::ReadFields(const TGuiRow& row, size_t& pos) {
  if (!NextInteger(row, pos, Min)) Min = 0;
  if (!NextInteger(row, pos, Max)) Max = 10;
  if (!NextInteger(row, pos, PageSize)) PageSize = 5;
  if (!NextInteger(row, pos, LineSize)) LineSize = 1;
  if (!NextInteger(row, pos, Value)) Value = Min;
  int32_t o = 0;
  Orientation = NextInteger(row, pos, o) && (o == 0 || o == 1) ? o : 0;
  return true;
}

void TScrollbarObject::WriteFields(TGuiRow& row) const {
  for (int32_t n : {Min, Max, PageSize, LineSize, Value, Orientation}) row.push_back(std::to_string(n));
}

bool TScrollbarObject::SetProperty(int32_t id, const TReturnValue& value) {
  int32_t* fields[] = {&Value, &Min, &Max, &PageSize, &LineSize};
  if (id < 0 || id > 4) return false;
  *fields[id] = IntegerValue(value.AsNumber());
  ApplyProperties();
  return true;
}

bool TScrollbarObject::GetProperty(int32_t id, TReturnValue& result) const {
  const int32_t fields[] = {Value, Min, Max, PageSize, LineSize};
  if (id < 0 || id > 4) return false;
  result.SetNumber(fields[id]);
  return true;
}

// ---- edit control

bool TEditControlObject::ReadFields(const TGuiRow& row, size_t& pos) {
  Text = NextText(row, pos);
  Alignment = NextAlignment(row, pos);
  return true;
}

void TEditControlObject::WriteFields(TGuiRow& row) const {
  row.push_back(Text);
  row.push_back(std::to_string(Alignment));
}

bool TEditControlObject::SetProperty(int32_t id, const TReturnValue& value) {
  if (id == 0) {
    Text = value.AsString();
    // A text the program wrote is no change by the user.
    Changed = false;
  } else if (id != 1 || !SetAlignment(Alignment, value)) {
    return false;
  }
  ApplyProperties();
  return true;
}

bool TEditControlObject::GetProperty(int32_t id, TReturnValue& result) const {
  if (id == 0) result.SetString(Text);
  else if (id == 1) result.SetNumber(Alignment);
  else return false;
  return true;
}

// ---- button

bool TButtonObject::ReadFields(const TGuiRow& row, size_t& pos) {
  Caption = NextText(row, pos);
  return true;
}

void TButtonObject::WriteFields(TGuiRow& row) const { row.push_back(Caption); }

bool TButtonObject::SetProperty(int32_t id, const TReturnValue& value) {
  if (id != 0) return false;
  Caption = value.AsString();
  ApplyProperties();
  return true;
}

bool TButtonObject::GetProperty(int32_t id, TReturnValue& result) const {
  if (id == 0) result.SetString(Caption);
  else if (id == 1) result.SetNumber(Pressed ? 1 : 0);
  else return false;
  return true;
}

// ---- checkbox

bool TCheckboxObject::ReadFields(const TGuiRow& row, size_t& pos) {
  Caption = NextText(row, pos);
  Checked = NextText(row, pos) == "checked";
  return true;
}

void TCheckboxObject::WriteFields(TGuiRow& row) const {
  row.push_back(Caption);
  row.push_back(Checked ? "checked" : "unchecked");
}

bool TCheckboxObject::SetProperty(int32_t id, const TReturnValue& value) {
  if (id == 0) Caption = value.AsString();
  else if (id == 1) Checked = IntegerValue(value.AsNumber()) != 0;
  else return false;
  ApplyProperties();
  return true;
}

bool TCheckboxObject::GetProperty(int32_t id, TReturnValue& result) const {
  if (id == 0) result.SetString(Caption);
  else if (id == 1) result.SetNumber(Checked ? -1 : 0);
  else return false;
  return true;
}

// ---- creators

const TEditObjectCreator* CreatorOf(int32_t typeCode) {
  static const TLabelObjectCreator label;
  static const TDisplayObjectCreator display;
  static const TScrollbarObjectCreator scrollbar;
  static const TEditControlObjectCreator edit;
  static const TButtonObjectCreator button;
  static const TCheckboxObjectCreator checkbox;
  static const TEditObjectCreator* const table[TypeCount] = {&label, &display, &scrollbar, &edit, &button, &checkbox};
  return typeCode >= 0 && typeCode < TypeCount ? table[typeCode] : nullptr;
}

}  // namespace Ostra
