#include "PostingNotice.h"

CPostingNotice& CPostingNotice::Instance() {
    static CPostingNotice notice;
    return notice;
}
