#include "workbench/qt/SyntaxColouring.h"

#include <QElapsedTimer>
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
  SliceTimer = new QTimer(this);
  SliceTimer->setInterval(0);
  connect(SliceTimer, &QTimer::timeout, this, [this] { ColourSlice(qint64(SliceMs) * 1000000); });
  QTextDocument* doc = Editor->document();
  LastBlockCount = doc->blockCount();
  connect(doc, &QTextDocument::contentsChange, this, &TSyntaxColourer::ContentsChange);
}

void TSyntaxColourer::TakeTokens(const std::list<TCodePosInfo>& tokens) {
  Tokens.assign(tokens.begin(), tokens.end());
  EditsAtTokens = Edits;
  NextBlock = -1;
  SliceTimer->stop();
}

void TSyntaxColourer::TokensParsed(const std::list<TCodePosInfo>& tokens, int delayMs) {
  TakeTokens(tokens);
  HighlightTimer->stop();
  HighlightTimer->setInterval(delayMs);
  HighlightTimer->start();
}

void TSyntaxColourer::ColourNow(const std::list<TCodePosInfo>& tokens) {
  HighlightTimer->stop();
  TakeTokens(tokens);
  if (!Begin()) return;
  FirstDone = 0;
  LastDone = -1;
  NextBlock = 0;
  ColourSlice(-1);
}

void TSyntaxColourer::HighlightTimerTimer() {
  HighlightTimer->stop();
  StartColouring();
}

bool TSyntaxColourer::ColouringPending() const { return NextBlock >= 0; }

void TSyntaxColourer::StartColouring() {
  SliceTimer->stop();
  NextBlock = -1;
  if (!Begin()) return;
  // The lines on screen (from the top and the bottom edge of the view).
  const int height = Editor->viewport()->height();
  FirstDone = Editor->cursorForPosition(QPoint(0, 0)).blockNumber();
  LastDone = std::max(FirstDone, Editor->cursorForPosition(QPoint(0, height)).blockNumber());
  ColourBlocks(FirstDone, LastDone);
  NextBlock = 0;
  SliceTimer->start();
}

// Prepares a colouring of the current text; false when there is nothing to
// colour or the tokens no longer belong to the text.
bool TSyntaxColourer::Begin() {
  if (Tokens.empty() || Edits != EditsAtTokens) return false;
  QTextDocument* doc = Editor->document();
  Length = doc->characterCount() - 1;
  // Token offsets count a surrogate pair as one character.
  const QString text = doc->toRawText();
  Pairs = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isHighSurrogate(); });
  PositionOfByte.clear();
  if (Pairs) {
    for (int i = 0; i < text.size(); ++i) {
      PositionOfByte.push_back(i);
      if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
    }
  }
  return true;
}

int TSyntaxColourer::Position(int32_t offset) const {
  if (offset <= 0) return 0;
  if (Pairs) return offset < static_cast<int32_t>(PositionOfByte.size()) ? PositionOfByte[offset] : Length;
  return std::min<int>(offset, Length);
}

// Colours the remaining blocks, the whole rest when budgetNs is negative,
// else until the budget is spent; then again from the event loop.
void TSyntaxColourer::ColourSlice(qint64 budgetNs) {
  SliceTimer->stop();
  if (NextBlock < 0) return;
  if (Edits != EditsAtTokens) {
    NextBlock = -1;
    return;
  }
  constexpr int Chunk = 100;
  const int blocks = Editor->document()->blockCount();
  QElapsedTimer t;
  t.start();
  while (NextBlock < blocks && (budgetNs < 0 || t.nsecsElapsed() < budgetNs)) {
    if (NextBlock >= FirstDone && NextBlock <= LastDone) {
      NextBlock = LastDone + 1;
      continue;
    }
    const int last = std::min({NextBlock + Chunk, blocks, FirstDone > NextBlock ? FirstDone : blocks}) - 1;
    ColourBlocks(NextBlock, last);
    NextBlock = last + 1;
  }
  if (NextBlock < blocks) {
    SliceTimer->start();
    return;
  }
  NextBlock = -1;
  emit Coloured();
}

// Each token's colour covers its own text and everything up to the next
// token, blanks and line breaks included; the text before the second token
// takes the first token's colour.
void TSyntaxColourer::ColourBlocks(int first, int last) {
  QTextDocument* doc = Editor->document();
  QTextBlock b = doc->findBlockByNumber(first);
  if (!b.isValid()) return;
  const auto format = [&](int32_t kind) -> const QTextCharFormat& {
    static const QTextCharFormat plain = [] {
      QTextCharFormat f;
      f.setForeground(QColor(0, 0, 0));
      return f;
    }();
    return kind >= 0 && kind < TernioParser::TokenKindCount ? KindFormats[kind] : plain;
  };

  // The span that holds the block's first character: that of the last token
  // starting at or before it (the first token's span starts at 0).
  const int from = b.position();
  const auto after = std::upper_bound(
      Tokens.begin() + 1, Tokens.end(), from, [&](int p, const TCodePosInfo& t) { return p < Position(t.Position); });
  size_t next = size_t(after - Tokens.begin());  // the token that ends the current span
  int spanStart = next == 1 ? 0 : Position(Tokens[next - 1].Position);
  int32_t spanKind = Tokens[next - 1].Kind;
  int spanEnd = next < Tokens.size() ? std::max(spanStart, Position(Tokens[next].Position)) : Length;
  // Moves to the following span; positions never go backwards.
  const auto advance = [&] {
    spanStart = spanEnd;
    spanKind = Tokens[next].Kind;
    ++next;
    spanEnd = next < Tokens.size() ? std::max(spanStart, Position(Tokens[next].Position)) : Length;
  };

  QList<QTextLayout::FormatRange> ranges;
  int end = from;
  for (int n = first; n <= last && b.isValid(); ++n, b = b.next()) {
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
    end = blockEnd + 1;
  }
  doc->markContentsDirty(from, end - from);
}

// Keeps the colours in place while the user types: within one line, text
// that replaces a selection takes the colour of its first character, text
// typed at the caret the colour of the character before it (at the start of
// the line: of the first character), and the colours after it move along.
// Edits across lines wait for the next colouring.
void TSyntaxColourer::ContentsChange(int position, int removed, int added) {
  ++Edits;
  // The lines not coloured yet wait for the next token list.
  NextBlock = -1;
  SliceTimer->stop();
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
