#pragma once

// A write beyond the process's file-size limit (ulimit -f) ends the process
// with SIGXFSZ unless that signal is ignored; ignored, the write fails with
// EFBIG and goes through the failed-save path like a full disk: the message,
// the file on the disk as it was, the recovery copy kept.
void ignoreFileSizeLimitSignal();
