// Printing a version history as a tabbed listing on a printer the user picks.
#pragma once

class VersionList;

// Prints the history of the list's archive: a heading with the file name and
// its number of versions, the column heading at the top of every page and one
// line per version, newest record first. A progress window can cancel the
// job. Nothing happens for an archive without versions, when the print
// dialog is cancelled, or while another history print is running.
void PrintHistory(VersionList& list);

// True from the print dialog of a history print to the end of its job.
bool IsPrintingHistory();
