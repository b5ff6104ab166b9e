#pragma once
// Shared helpers of the window tests live here.
