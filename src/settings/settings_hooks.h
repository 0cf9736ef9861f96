#pragma once
// Core reads a few things that the settings own through small interfaces of its own (core does not know the
// settings). The program entry calls this once, before any thread draws a random choice or sets the message line.
namespace hlw {

// Makes the random choices follow "RANDOM" and every message-line change post the window's repaint message.
void gf_installSettingsHooks();

} // namespace hlw
