// Field lists: the text "(29X,96(1X,F5.2),8X)" compiled into a FieldList, and the one walk over
// it that read and write statements share.
//
// compile_field_list reads the text (blanks ignored, either case, nothing read after the ")"
// that balances the first "(") and fills a fixed-capacity FieldList: no allocation per
// statement. A malformed place becomes an error entry, raised only when the walk reaches it.
// walk_to_field carries a statement from its position to the next data field, doing the column
// skips, record breaks, groups and format reversion through the statement's own actions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "records/errors.h"

namespace records {

enum class Op : std::uint8_t { field, move, record_break, group_start, group_end, list_end, fail };

// One compiled entry. The meaning of the numbers depends on the operation:
//   field:       letter 'I', 'F' or 'A'; count = repeat (3I5); width (0: A without width);
//                decimals
//   move:        count = columns to the right
//   group_start: count = passes
//   group_end:   count = index of its group_start; run = the group is a run of identical
//                fields: its body is one data field without a repeat count, alone or after one
//                column skip, so that a statement may take pass after pass without walking
//   list_end:    count = reversion point (an index); width = 1 when a data field lies between
//                the reversion point and the list end
//   fail:        count = error number
struct Entry {
  Op op = Op::fail;
  char letter = 0;
  bool run = false;
  std::int32_t count = 0;
  std::int32_t width = 0;
  std::int32_t decimals = 0;
};

inline constexpr int max_entries = 256;
inline constexpr int max_group_depth = 16;  // groups open inside the outer parentheses

inline constexpr int max_remembered_text = 64;

struct FieldList {
  Entry entries[max_entries];
  int size = 0;
  // The text these entries were compiled from, up to its balancing ")", when that text was
  // short and well formed: the next statement that hands over the same text keeps them.
  char text[max_remembered_text];
  int text_length = 0;
};

// length -1: the text runs to its terminating NUL. A text equal to the one the list was last
// compiled from is not compiled again.
void compile_field_list(const char* text, int length, FieldList& list);

// Whether the list was compiled from this text (up to its balancing ")"), so that compiling it
// again would give the same entries. Texts that ended in an error are not remembered: where an
// error entry stops the compiler depends on what follows. A remembered text holds no NUL (a NUL
// ends a text in error), so strncmp, which stops at the NUL of a shorter text, tells a text
// that runs to its NUL.
inline bool compiled_from(const char* text, int length, const FieldList& list) {
  const auto n = static_cast<std::size_t>(list.text_length);
  if (n == 0) return false;
  if (length < 0) return std::strncmp(text, list.text, n) == 0;
  return static_cast<std::size_t>(length) >= n && std::memcmp(text, list.text, n) == 0;
}

// Where a statement stands in its compiled list.
struct Walk {
  const FieldList* list = nullptr;
  int position = 0;
  std::int32_t repeats_left = 0;  // of the field at position, 0 when it was not yet reached
  int depth = 0;
  // [d]: the passes left of the group open at depth d; set when the group starts, so a new
  // walk need not clear it.
  std::int32_t passes_left[max_group_depth + 1];
};

inline void start_walk(Walk& walk, const FieldList& list) {
  walk.list = &list;
  walk.position = 0;
  walk.repeats_left = 0;
  walk.depth = 0;
}

// Walks from the current position. With an item waiting, stops at the next data field and
// returns it, the position moved past it; without one, stops at the first data field or at the
// list end and returns nullptr. Actions: move(columns), record_break() (also used for format
// reversion), [[noreturn]] fail(error number).
template <typename Actions>
const Entry* walk_to_field(Walk& walk, Actions& actions, bool item_waiting) {
  const Entry* entries = walk.list->entries;
  for (;;) {
    const Entry& e = entries[walk.position];
    switch (e.op) {
      case Op::field:
        if (!item_waiting) return nullptr;
        if (walk.repeats_left == 0) walk.repeats_left = e.count;
        if (--walk.repeats_left == 0) ++walk.position;
        return &e;
      case Op::move:
        actions.move(e.count);
        ++walk.position;
        break;
      case Op::record_break:
        actions.record_break();
        ++walk.position;
        break;
      case Op::group_start:
        walk.passes_left[++walk.depth] = e.count;
        ++walk.position;
        break;
      case Op::group_end:
        if (--walk.passes_left[walk.depth] > 0) {
          walk.position = e.count + 1;
        } else {
          --walk.depth;
          ++walk.position;
        }
        break;
      case Op::list_end:
        if (!item_waiting) return nullptr;
        if (e.width == 0) actions.fail(error::list_no_field);
        actions.record_break();
        walk.position = e.count;
        break;
      case Op::fail: actions.fail(e.count);
    }
  }
}

// The walk with an item waiting, and without one, as a statement makes them: a lone field at
// the position (repeat count 1) is taken, and a list end reached, without the loop.
template <typename Actions>
inline const Entry* next_field_of(Walk& walk, Actions& actions) {
  const Entry& e = walk.list->entries[walk.position];
  if (e.op == Op::field && e.count == 1) {  // so no repeat of it is under way
    ++walk.position;
    return &e;
  }
  return walk_to_field(walk, actions, true);
}

template <typename Actions>
inline void walk_to_end(Walk& walk, Actions& actions) {
  if (walk.list->entries[walk.position].op != Op::list_end) walk_to_field(walk, actions, false);
}

}  // namespace records
