// A Word Normal template as Word's automation interface shows it: the menu bar, the File menu and
// the key bindings. The simulator keeps one a Word version (machine.ini's [word97] and [word2000])
// and the stand-in Word of the Wine tests reads and writes one (its normal.ini); both use this
// one reader and writer.
//
// The text form of each part: menus are captions separated by "|" ("a|b|" is "a", "b" and "";
// "" is no item), keys are CODE:COMMAND[:CATEGORY] separated by "|". A key entry without a colon
// is passed over; a code or category that is not a number reads as far as its digits go (0 when
// there are none).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vrx::sim {

struct WordTemplate {
  struct Item {
    int id = 0;  // stays with the item when others are deleted
    std::string caption;
  };
  struct Key {
    int32_t code = 0;
    std::string command;
    int category = -1;  // -1: not known
  };
  std::vector<Item> menubar;
  std::vector<Item> filemenu;
  std::vector<Key> keys;

  // The parts from their text forms; items are numbered from 1, the menu bar's first.
  static WordTemplate Parse(const std::string& menubar, const std::string& filemenu,
                            const std::string& keys);
  std::string MenubarText() const;
  std::string FilemenuText() const;
  std::string KeysText() const;

  // The items of the command bar `name` ("Menu Bar" or "File"); null for any other bar.
  std::vector<Item>* Bar(const std::string& name);
};

}  // namespace vrx::sim
