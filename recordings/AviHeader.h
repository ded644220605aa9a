#pragma once

#include <QByteArrayView>

// Checks on the first bytes of a clip file, kept apart from any file access so they can be
// tested and fuzzed on plain buffers. Neither reads outside the buffer it is given.

// How many leading bytes of a file the checks look at.
constexpr qsizetype kAviHeadBytes = 512;

// Whether the bytes start a RIFF file of type "AVI " with a non-zero size.
bool IsAviHeader(QByteArrayView head);

// The frame width and height from the AVI main header ("avih"). Returns false and leaves the
// outputs untouched when the bytes are too short to hold them.
bool AviFrameSizeFromHeader(QByteArrayView head, int &width, int &height);

// The time between two pictures in microseconds, from the AVI main header; false and the output
// untouched when the bytes are too short to hold it or it is 0.
bool AviFrameIntervalFromHeader(QByteArrayView head, quint32 &microseconds);

// How many pictures the clip has, when its header says it twice over: the main header's frame
// count and the length of its first video stream ("strh" of type "vids") agree and are not 0.
// False when they differ, either is missing, or the bytes end before them.
bool AviVideoFrameCountFromHeader(QByteArrayView head, quint32 &frames);
