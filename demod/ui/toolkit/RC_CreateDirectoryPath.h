#pragma once
// Creates every folder of a path in turn from the left. Leading blanks are skipped and a drive
// prefix ("C:") with its separator is passed over; both '\\' and '/' separate components. With
// keepLast the last component is taken as a file name and not created. Failures (a folder that
// exists) are ignored.
void RC_CreateDirectoryPath(const char* path, bool keepLast);
