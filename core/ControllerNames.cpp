#include "ControllerNames.h"

#include <cstdio>

namespace lumdel {

namespace {

struct NamedController {
    int number;
    const char* name;
};

// Controllers with a name of their own; every other one reads "control N".
constexpr NamedController kNamed[] = {
    {0, "bank sel MSB"},   {1, "modulation"},    {2, "breath"},       {4, "foot"},
    {5, "portamento"},     {6, "data ent MSB"},  {7, "main volume"},  {8, "balance"},
    {10, "pan"},           {11, "expression"},   {16, "gen purp 1"},  {17, "gen purp 2"},
    {18, "gen purp 3"},    {19, "gen purp 4"},   {32, "bank sel LSB"}, {33, "modul. LSB"},
    {34, "breath LSB"},    {36, "foot LSB"},     {37, "porta LSB"},   {38, "data ent LSB"},
    {39, "main vol LSB"},  {40, "balance LSB"},  {42, "pan LSB"},     {43, "express. LSB"},
    {64, "sustain"},       {65, "porta on/off"}, {66, "sostenuto"},   {67, "soft pedal"},
    {68, "legato FS"},     {69, "hold 2"},       {70, "sound var"},   {71, "harmonic"},
    {72, "release time"},  {73, "attack time"},  {74, "brightness"},  {80, "gen purp 5"},
    {81, "gen purp 6"},    {82, "gen purp 7"},   {83, "gen purp 8"},  {84, "porta ctrl"},
    {91, "ext FX"},        {92, "tremolo"},      {93, "chorus"},      {94, "detune"},
    {95, "phaser"},        {96, "data incr"},    {97, "data decr"},   {98, "NRPN LSB"},
    {99, "NRPN MSB"},      {100, "RPN LSB"},     {101, "RPN MSB"},    {120, "all snd off"},
    {121, "reset ctrl"},   {122, "local ctrl"},  {123, "all note off"}, {124, "omni off"},
    {125, "omni on"},      {126, "mono mode on"}, {127, "poly mode on"},
};

// Built once (thread-safe static initialisation), read-only afterwards.
struct NameTable {
    char generic[128][16] = {};
    const char* names[kNumControllerNames] = {};

    NameTable() {
        for (int c = 0; c < 128; ++c) {
            std::snprintf(generic[c], sizeof generic[c], "control %d", c);
            names[c] = generic[c];
        }
        for (const NamedController& n : kNamed) names[n.number] = n.name;
        names[128] = "not assigned";
        names[129] = "";
    }
};

}  // namespace

const char* controllerName(int step) {
    static const NameTable table;
    if (step < 0 || step >= kNumControllerNames) return "";
    return table.names[step];
}

}  // namespace lumdel
