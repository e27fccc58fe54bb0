#ifndef KY_OS_MESSAGE_BOX_H
#define KY_OS_MESSAGE_BOX_H

class KyOsWindow;

// A modal message box with one OK button. With the environment variable
// KY_HEADLESS set to "1" no box is shown: the caption and text go to the log
// and the default answer is returned at once (a box can wait forever for a
// click on a virtual display). A box the system cannot show is logged the
// same way.
class KyOsMessageBox {
public:
    enum Icon { Information, Warning, Error };
    enum Answer { Ok = 1 };

    // `owner` may be null (a box of its own). Null texts count as empty.
    static Answer show(const char* text, const char* caption, Icon icon = Warning, const KyOsWindow* owner = nullptr);

    static bool isHeadless();
};

#endif
