// The byte classes of Netpbm text: one table lookup instead of <ctype.h>.
#ifndef QUENTARPBM_NETPBM_NETPBM_CHAR_CLASS_H
#define QUENTARPBM_NETPBM_NETPBM_CHAR_CLASS_H

#include <stdint.h>

namespace quentarpbm {

// Not <ctype.h>: it follows the C locale and counts VT and FF as space, which
// Netpbm text must not; bytes of 128 and above are in no class here.
enum NetpbmCharClass : uint8_t {
  kNetpbmWhitespace = 1,  // space, tab, LF, CR
  kNetpbmDigit = 2,       // '0' to '9'
  kNetpbmLineEnd = 4,     // LF, CR: what ends a comment
};

struct NetpbmCharClassTable {
  uint8_t classes[256];
};

constexpr NetpbmCharClassTable MakeNetpbmCharClassTable() {
  NetpbmCharClassTable table = {};
  for (int c = '0'; c <= '9'; ++c) table.classes[c] = kNetpbmDigit;
  table.classes[static_cast<uint8_t>(' ')] = kNetpbmWhitespace;
  table.classes[static_cast<uint8_t>('\t')] = kNetpbmWhitespace;
  table.classes[static_cast<uint8_t>('\n')] = kNetpbmWhitespace | kNetpbmLineEnd;
  table.classes[static_cast<uint8_t>('\r')] = kNetpbmWhitespace | kNetpbmLineEnd;
  return table;
}

inline constexpr NetpbmCharClassTable kNetpbmCharClasses = MakeNetpbmCharClassTable();

inline bool HasNetpbmClass(uint8_t c, NetpbmCharClass wanted) {
  return (kNetpbmCharClasses.classes[c] & wanted) != 0;
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_NETPBM_CHAR_CLASS_H
