#pragma once
// Mono 16-bit PCM wave files, written whole or not at all.

#include <QString>
#include <QtGlobal>

#include <vector>

namespace zox {

// Writes the samples as a RIFF WAVE file (PCM, one channel, 16 bits). The
// file appears only once it is complete; an existing file is replaced then.
// False, with the reason in `error`, when it cannot be written.
bool WriteMonoWave(const QString& path, const std::vector<qint16>& samples, int sampleRate, QString& error);

}  // namespace zox
