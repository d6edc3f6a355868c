#pragma once
// Line fitting: what happens to a line when a glyph does not fit, and how finished lines are
// aligned. The handlers work in place on the current line (its code points and glyph records).
#include <cstdint>

#include "text/text_layout.h"

struct FontAtlas;

// Called when the glyph at line position *count does not fit. On return the line is its first
// *count glyphs and the next line starts at that glyph's text index plus *rewind.
typedef void (*LineHandler)(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count,
                            FontAtlas* atlas, int32_t* rewind, LayoutBox box);
// Called for a line ended by LF and for the text's last line; only x and advances change.
typedef void (*ParagraphEndHandler)(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t count,
                                    FontAtlas* atlas, LayoutBox box);

void NoLineFit(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count, FontAtlas* atlas,
               int32_t* rewind, LayoutBox box);
void HyphenateLineEnd(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count,
                      FontAtlas* atlas, int32_t* rewind, LayoutBox box);
void BreakLine(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count, FontAtlas* atlas,
               int32_t* rewind, LayoutBox box);
void BreakAndAlignRight(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count,
                        FontAtlas* atlas, int32_t* rewind, LayoutBox box);
void BreakAndAlignCentre(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count,
                         FontAtlas* atlas, int32_t* rewind, LayoutBox box);
void BreakAndJustify(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count,
                     FontAtlas* atlas, int32_t* rewind, LayoutBox box);
void AlignLineRight(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t count, FontAtlas* atlas,
                    LayoutBox box);
void AlignLineCentre(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t count,
                     FontAtlas* atlas, LayoutBox box);

struct LineFitHandlers {
  LineHandler line;
  ParagraphEndHandler paragraphEnd;  // may be null
  bool breaksAtSpaces;  // the line handler breaks at the line's last space (BreakLine and kin)
};
// The handlers of a mode; modes outside 0-5 get those of kLineFitNone.
LineFitHandlers HandlersForMode(int32_t lineFitMode);

// Hyphenation classes (lower-case French letters).
bool IsHyphenationVowel(uint32_t codePoint);
bool IsHyphenationConsonant(uint32_t codePoint);
