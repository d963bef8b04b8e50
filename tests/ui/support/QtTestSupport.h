// What every Qt test shares, the demo portal's included: deadlines scaled for the build
// under test, waiting for a condition, GB18030 bytes and whole files.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace lorvex::testing {

// A deadline of `ms` milliseconds scaled for the build under test: multiplied by
// LORVEX_TEST_DEADLINE_SCALE when set (the sanitizer test presets set it). Deadlines are
// generous on purpose: waits end as soon as their condition holds, and only a fault
// makes a test wait until one runs out.
int Deadline(int ms);

// Waits, processing events, until `done` holds or Deadline(timeoutMs) runs out.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 30000);

// The text in GB18030, the portal's and the favourites file's encoding.
QByteArray Gb18030(const QString& text);

// A favourites file's text of `count` songs, numbered from 1: song n is
// "$$DD<n>&g=歌曲<n>&c=歌手<n>", each line ending in CR LF.
QString NumberedSongs(int count);

// The file's bytes; none when it cannot be read.
QByteArray ReadBytes(const QString& path);

// Writes the file whole, making its folder first; true when every byte was written.
bool WriteBytes(const QString& path, const QByteArray& bytes);

}  // namespace lorvex::testing
