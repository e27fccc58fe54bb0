#ifndef KY_ADS_ROTATOR_H
#define KY_ADS_ROTATOR_H

#include "core/KyArray.h"
#include "core/KyFrameWait.h"
#include "core/KyICallback0Param.h"
#include "core/KyICallback1Param.h"
#include "core/KyIntrusivePtr.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "core/KyWorkerPool.h"
#include "net/KyAdsPictures.h"
#include "net/KyAdsSet.h"
#include "ui/KyXMLGUI.h"

#include <functional>
#include <vector>

class Ky3DTexture;
class KyImg;

// Shows the pages of a checked advert set (KyAdsSet), one after another,
// until the run ends, and reads nothing the set does not list: a page that
// is not one of the set's ends the run as a page that does not load does,
// and a picture of a page is drawn only when it was read ahead, whole (the
// page is loaded with no picture read as it loads, so no frame pays for
// the pictures a page shows at once).
//
// A page's pictures are read on a worker (KyAdsPictures) with the allowance
// the whole set is checked with, ahead of its showing - the first page's
// while the splashes show, the next page's while a page shows - and made
// textures between frames, at most a picture's worth of texels a frame. A
// page due before they are ready waits for them, the frames going on, the
// page before on screen meanwhile, its time spent and its "next" doing
// nothing more, its "skip" and "buy" as ever; meanwhile the frame counts
// as waiting on background work (KyFrameWait). A page whose pictures are
// not read within kMaxPageWait ends the run. When the pool cannot give a
// thread at all, the frames read the pictures, one a frame.
class KyAdsRotator {
public:
    typedef KyArray<KyICallback0Param*> Signal;
    typedef KyArray<KyICallback1Param<const KyString&>*> TextSignal;

    static const u64 kDefaultPageDuration = 10000000u;
    // The longest a page due on screen waits for its pictures: about a
    // hundred times what the whole budget takes on a worker, so that a busy
    // machine still shows the page and only a reading that does not run
    // gives it up; and half of kDefaultPageDuration, so that the player is
    // not held long on the way to the menu. Counted on the engine's clock:
    // a scripted run holds its clock while a page waits (KyFrameWait), so
    // its frames do not depend on how fast a worker reads.
    static const u64 kMaxPageWait = 5000000u;
    // The real time a page waits at most, whatever the engine's clock does:
    // only a guard against a reading that hangs, far beyond what the
    // slowest machine under load takes.
    static const u64 kMaxPageHang = 60000000u;

    // A wait of the run for background work (a page's pictures, its set's
    // reading), bounded on both clocks as above.
    struct Wait {
        u64 since = 0;
        u64 sinceReal = 0;
        void begin();
        // The bound the wait has passed, kMaxPageWait or kMaxPageHang; 0
        // while it is within both.
        u64 passed() const;
    };

    // The signals are the owner's; wake asks for onFrame at the next frame.
    KyAdsRotator(KyWorkerPool& pool, Signal& finished, TextSignal& buyRequested, Signal& shown,
                 std::function<void()> wake);
    ~KyAdsRotator();

    // The set whose pages show from now on; what was read ahead of another
    // set is dropped.
    void setSet(const KyAdsSet& set);
    const KyAdsSet& set() const { return m_set; }
    // Starts reading the pictures of a page of the set.
    void prepare(const KyString& pagePath);
    // A new run of pages, from the set's index.
    void begin();
    // The run ends at once, with the finished signal.
    void finish();

    // Shows a page once its pictures are textures (see above).
    void show(const KyString& pagePath);
    void goNext();
    void hide();
    // The work between frames: textures of the page to come, and the page
    // due shown once they are made. Whether there is more of it.
    bool onFrame();

    // Listeners of the page's buttons and timer; all return false.
    bool onBuy();
    bool onNextButton();
    bool onSkip();
    bool onTimer();

    KyXMLGUI& page() { return m_page; }
    KyTimer& timer() { return m_timer; }
    const KyString& currentPage() const { return m_currentPage; }
    const KyString& waitingPage() const { return m_waitingPage; }
    const KyString& preparedPage() const { return m_preparedPage; }
    bool isPrepared() const { return m_made >= m_pictures.sources().size(); }
    u32 preparedCount() const { return m_made; }
    // Some page of this run was shown or came due.
    bool hasStarted() const { return !m_shownPages.isEmpty(); }
    bool runEnded() const { return m_runEnded; }

private:
    KyAdsRotator(const KyAdsRotator&) = delete;
    KyAdsRotator& operator=(const KyAdsRotator&) = delete;

    // Puts a page on screen in place of the one shown, with the textures
    // made of what the workers read.
    void display(const KyString& pagePath);
    // The waiting page's pictures were not read within the time given (in
    // microseconds): the run ends.
    void giveUp(u64 waited);
    void endRun();
    // The page shown no longer moves the run on by its time.
    void endPageTime();
    void dropPrepared();
    // Makes the next picture of the prepared page an image and a texture
    // listed under its path; the texels made (0 when it made none).
    u64 makeNextTexture();
    bool pageDuration(u64& microseconds);

    KyAdsSet m_set;
    Signal& m_finished;
    TextSignal& m_buyRequested;
    Signal& m_shown;
    std::function<void()> m_wake;
    KyXMLGUI m_page;
    KyTimer m_timer;
    KyString m_currentPage;
    // The page due, and the clocks' times when it came due.
    KyString m_waitingPage;
    Wait m_wait;
    // Pages shown in this run (a waiting page counts).
    KyArray<KyString> m_shownPages;
    bool m_runEnded;
    // The page to come: its pictures read on a worker, then made images and
    // textures listed under their paths (so the page finds them) and held
    // here until it shows.
    KyAdsPictures m_pictures;
    KyString m_preparedPage;
    u32 m_made;
    bool m_logged;
    std::vector<KyIntrusivePtr<KyImg>> m_images;
    std::vector<KyIntrusivePtr<Ky3DTexture>> m_textures;
    // Answers, while a page is due, that the frame waits on the workers.
    KyFrameWait m_frameWait;
};

#endif
