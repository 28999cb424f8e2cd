#include "workbench/qt/SyntaxColouring.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>

using TernioParser::TCodePosInfo;

const QColor TSyntaxColourer::KindColours[TernioParser::TokenKindCount] = {
    QColor(0, 128, 0),      // variables: dark green
    QColor(128, 0, 0),      // brackets and separators: maroon
    QColor(0, 0, 255),      // numbers: blue
    QColor(0, 0, 0),        // function names: black
    QColor(0, 0, 0),        // operators: black
    QColor(0, 0, 255),      // strings: blue
    QColor(128, 128, 128),  // comments: grey
};

TSyntaxColourer::TSyntaxColourer(QPlainTextEdit* editor) : QObject(editor), Editor(editor) {
  for (int k = 0; k < TernioParser::TokenKindCount; ++k) KindFormats[k].setForeground(KindColours[k]);
  HighlightTimer = new QTimer(this);
  HighlightTimer->setSingleShot(true);
  HighlightTimer->setInterval(DelayMs);
  connect(HighlightTimer, &QTimer::timeout, this, &TSyntaxColourer::HighlightTimerTimer);
  QTextDocument* doc = Editor->document();
  LastBlockCount = doc->blockCount();
  connect(doc, &QTextDocument::contentsChange, this, &TSyntaxColourer::ContentsChange);
}

void TSyntaxColourer::TakeTokens(const std::list<TCodePosInfo>& tokens) {
  Tokens.assign(tokens.begin(), tokens.end());
  EditsAtTokens = Edits;
}

void TSyntaxColourer::TokensParsed(const std::list<TCodePosInfo>& tokens) {
  TakeTokens(tokens);
  HighlightTimer->stop();
  HighlightTimer->start();
}

void TSyntaxColourer::ColourNow(const std::list<TCodePosInfo>& tokens) {
  HighlightTimer->stop();
  TakeTokens(tokens);
  Colour();
}

void TSyntaxColourer::HighlightTimerTimer() {
  HighlightTimer->stop();
  Colour();
}

// Each token's colour covers its own text and everything up to the next
// token, blanks and line breaks included; the text before the second token
// takes the first token's colour.
void TSyntaxColourer::Colour() {
  if (Tokens.empty() || Edits != EditsAtTokens) return;
  QTextDocument* doc = Editor->document();
  const int length = doc->characterCount() - 1;

  // Token offsets count a surrogate pair as one character.
  const QString text = doc->toRawText();
  const bool pairs = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isHighSurrogate(); });
  if (pairs) {
    PositionOfByte.clear();
    for (int i = 0; i < text.size(); ++i) {
      PositionOfByte.push_back(i);
      if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
    }
  }
  const auto position = [&](int32_t offset) {
    if (offset <= 0) return 0;
    if (pairs) return offset < static_cast<int32_t>(PositionOfByte.size()) ? PositionOfByte[offset] : length;
    return std::min<int>(offset, length);
  };
  const auto format = [&](int32_t kind) -> const QTextCharFormat& {
    static const QTextCharFormat plain = [] {
      QTextCharFormat f;
      f.setForeground(QColor(0, 0, 0));
      return f;
    }();
    return kind >= 0 && kind < TernioParser::TokenKindCount ? KindFormats[kind] : plain;
  };

  QList<QTextLayout::FormatRange> ranges;
  size_t next = 1;  // the token that ends the current span
  int spanStart = 0;
  int spanEnd = Tokens.size() > 1 ? std::max(0, position(Tokens[1].Position)) : length;
  int32_t spanKind = Tokens[0].Kind;
  // Moves to the following span; positions never go backwards.
  const auto advance = [&] {
    spanStart = spanEnd;
    spanKind = Tokens[next].Kind;
    ++next;
    spanEnd = next < Tokens.size() ? std::max(spanStart, position(Tokens[next].Position)) : length;
  };

  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
    const int blockStart = b.position();
    const int blockEnd = blockStart + b.length() - 1;  // without the line break
    ranges.clear();
    while (spanEnd <= blockStart && next < Tokens.size()) advance();
    // Spans that reach into this block; the last one may go on into the next.
    while (true) {
      const int s = std::max(spanStart, blockStart), e = std::min(spanEnd, blockEnd);
      if (e > s) ranges.append({s - blockStart, e - s, format(spanKind)});
      if (spanEnd >= blockEnd || next >= Tokens.size()) break;
      advance();
    }
    b.layout()->setFormats(ranges);
  }
  doc->markContentsDirty(0, length + 1);
}

// Keeps the colours in place while the user types: within one line, text
// that replaces a selection takes the colour of its first character, text
// typed at the caret the colour of the character before it (at the start of
// the line: of the first character), and the colours after it move along.
// Edits across lines wait for the next colouring.
void TSyntaxColourer::ContentsChange(int position, int removed, int added) {
  ++Edits;
  QTextDocument* doc = Editor->document();
  const int blocks = doc->blockCount();
  const bool sameBlocks = blocks == LastBlockCount;
  LastBlockCount = blocks;
  if (!sameBlocks || (removed == 0 && added == 0)) return;
  QTextBlock b = doc->findBlock(position);
  if (!b.isValid() || position + added > b.position() + b.length() - 1) return;
  QTextLayout* layout = b.layout();
  const QList<QTextLayout::FormatRange> formats = layout->formats();
  if (formats.isEmpty()) return;
  const int p = position - b.position();
  const auto removeAt = [&](int x) { return x <= p ? x : (x >= p + removed ? x - removed : p); };
  QList<QTextLayout::FormatRange> moved;
  for (QTextLayout::FormatRange r : formats) {
    const int s0 = r.start, e0 = r.start + r.length;
    const bool owner = removed > 0 ? (s0 <= p && p < e0) : (p > 0 ? (s0 < p && p <= e0) : (s0 == 0 && e0 > 0));
    int s = removeAt(s0), e = removeAt(e0);
    if (owner) {
      e += added;
    } else {
      if (s >= p) s += added;
      if (e > p) e += added;
    }
    if (e <= s) continue;
    r.start = s;
    r.length = e - s;
    moved.append(r);
  }
  layout->setFormats(moved);
  doc->markContentsDirty(b.position(), b.length());
}
