// The closing pause: the console stays open until the user presses a key.
#pragma once

void Pause();
