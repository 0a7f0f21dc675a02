#pragma once

// Results of modal windows and message boxes, with the classic numeric values so that a
// button's ModalResult, a dialog's result and AskSoru's answer compare directly.
enum TModalResult : int
{
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};
