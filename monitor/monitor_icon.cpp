#include "monitor/monitor_icon.h"

namespace tarnix {
namespace {

// Sixteen-colour palette entries the gauge uses.
constexpr std::initializer_list<tk::PaletteEntry> kPalette = {
    {'k', 0xFF000000},  // outline
    {'w', 0xFFFFFFFF},  // empty tube
    {'g', 0xFF00C000},  // messages within the threshold
    {'y', 0xFFFFFF00},  // messages near it
    {'r', 0xFFFF0000},  // the warning mark and messages over it
    {'b', 0xFF0000FF},  // scale ticks
};

}  // namespace

const MonitorIcon& monitorIcon() {
  // A queue gauge: a tube of stacked messages, green low, yellow higher, red at the warning mark.
  static const MonitorIcon icon{
      .large = tk::iconFromRows(
          {
              "................................", ".......kkkkkkkkkkkkkkkk.........",
              ".......kwwwwwwwwwwwwwwk.........", ".......kwwwwwwwwwwwwwwkbbb......",
              ".......kwwwwwwwwwwwwwwk.........", ".......kwwwwwwwwwwwwwwk.........",
              ".......kwwwwwwwwwwwwwwk.........", ".......krrrrrrrrrrrrrrkbbb......",
              ".......kwwwwwwwwwwwwwwk.........", ".......kwwwwwwwwwwwwwwk.........",
              ".......kwrrrrrrrrrrrrwk.........", ".......kwrrrrrrrrrrrrwkbbb......",
              ".......kwwwwwwwwwwwwwwk.........", ".......kwyyyyyyyyyyyywk.........",
              ".......kwyyyyyyyyyyyywk.........", ".......kwwwwwwwwwwwwwwkbbb......",
              ".......kwggggggggggggwk.........", ".......kwggggggggggggwk.........",
              ".......kwwwwwwwwwwwwwwk.........", ".......kwggggggggggggwkbbb......",
              ".......kwggggggggggggwk.........", ".......kwwwwwwwwwwwwwwk.........",
              ".......kwggggggggggggwk.........", ".......kwggggggggggggwkbbb......",
              ".......kwwwwwwwwwwwwwwk.........", ".......kwggggggggggggwk.........",
              ".......kwggggggggggggwk.........", ".......kwwwwwwwwwwwwwwkbbb......",
              ".......kwggggggggggggwk.........", ".......kwggggggggggggwk.........",
              ".......kkkkkkkkkkkkkkkk.........", "................................",
          },
          kPalette),
      .small = tk::iconFromRows(
          {
              "...kkkkkkkkk....",
              "...kwwwwwwwk....",
              "...kwwwwwwwkbb..",
              "...krrrrrrrk....",
              "...kwwwwwwwk....",
              "...kwwwwwwwkbb..",
              "...kwyyyyywk....",
              "...kwwwwwwwk....",
              "...kwgggggwkbb..",
              "...kwwwwwwwk....",
              "...kwgggggwk....",
              "...kwwwwwwwkbb..",
              "...kwgggggwk....",
              "...kwwwwwwwk....",
              "...kwgggggwk....",
              "...kkkkkkkkk....",
          },
          kPalette),
  };
  return icon;
}

}  // namespace tarnix
