#pragma once

// What an administration action came to. Windows mostly ignore it; ferix-cli turns it into
// its exit status. On the ground floor because the server tools' actions (copy-to-server) give
// it as well as admin/.
enum class AdminResult {
    Done,     // the action happened
    Declined, // the user answered No to the question
    Refused,  // a check of the program refused it, with its message
    NoData,   // the data file could not be opened (the store said so)
    Failed,   // the store or the file system failed, with its message
};
