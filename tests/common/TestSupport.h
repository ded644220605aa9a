#pragma once

#include <QString>

#include <chrono>
#include <functional>

// Runs the event loop until `done` returns true or `timeout` passes; returns `done()`.
// Tests that wait on the media engine use generous time-outs and assert on the outcome.
bool WaitUntil(const std::function<bool()> &done,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

// The folder of the built programs (the skin pack and the demo-card tool live there).
QString BinDir();
