// The stand-in Word's object model: Application and what it hands out (Document, CommandBars,
// a bar's Controls, KeyBindings, FindKey, NormalTemplate), each call logged, its effects on the
// Normal template of fake_word_state.h.
#pragma once

#include "fake_word_dispatch.h"

namespace fake_word {

// A new Application object, holding its first reference.
Object* NewApplication();

}  // namespace fake_word
