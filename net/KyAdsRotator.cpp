#include "net/KyAdsRotator.h"

#include "core/KyCallback0Param.h"
#include "core/KyCallback1Param.h"
#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "os/KyOsClock.h"
#include "platform/Ky3DTexture.h"
#include "platform/KyImg.h"
#include "platform/KyImgInput.h"
#include "ui/KyButton.h"
#include "ui/KySpriteButton.h"

#include <cerrno>
#include <cstdlib>

namespace {

// The texels a frame makes textures of: the largest picture a set may
// hold, which a software driver makes in a few milliseconds; smaller
// pictures share a frame.
const u64 kTexelsAFrame = u64(KyAdsSet::kMaxPictureSide) * KyAdsSet::kMaxPictureSide;

} // namespace

void KyAdsRotator::Wait::begin()
{
    since = KyOsClock::microseconds();
    sinceReal = KyOsClock::realMicroseconds();
}

u64 KyAdsRotator::Wait::passed() const
{
    if (KyOsClock::microseconds() - since >= kMaxPageWait)
        return kMaxPageWait;
    if (KyOsClock::realMicroseconds() - sinceReal >= kMaxPageHang)
        return kMaxPageHang;
    return 0;
}

KyAdsRotator::KyAdsRotator(KyWorkerPool& pool, Signal& finished, TextSignal& buyRequested, Signal& shown,
                           std::function<void()> wake)
    : m_finished(finished)
    , m_buyRequested(buyRequested)
    , m_shown(shown)
    , m_wake(std::move(wake))
    , m_runEnded(false)
    , m_pictures(pool)
    , m_made(0)
    , m_logged(false)
    , m_frameWait([this] { return m_waitingPage.length() > 0; })
{
}

KyAdsRotator::~KyAdsRotator()
{
    hide();
    dropPrepared();
}

void KyAdsRotator::setSet(const KyAdsSet& set)
{
    dropPrepared();
    m_set = set;
}

void KyAdsRotator::prepare(const KyString& pagePath)
{
    dropPrepared();
    const KyAdsSet::Page* page = m_set.page(pagePath);
    if (!page || page->pictures.empty() || !m_set.isSelfContained())
        return;
    m_preparedPage = page->path;
    // The allowance the whole set was checked with: a picture that passed
    // the check reads when its page shows.
    m_pictures.start(m_set.picturesOf(*page), true, KyAdsSet::kMaxPictureSide, KyAdsSet::kMaxSetPixels,
                     m_set.byteAllowance());
    m_wake();
}

void KyAdsRotator::dropPrepared()
{
    m_pictures.cancel();
    m_preparedPage = "";
    m_made = 0;
    m_logged = false;
    m_images.clear();
    m_textures.clear();
}

void KyAdsRotator::begin()
{
    m_shownPages.clear();
    m_runEnded = false;
    m_waitingPage = "";
    show(m_set.index());
}

void KyAdsRotator::finish()
{
    hide();
    endRun();
    // Last: a listener may destroy the rotator.
    m_finished.call();
}

void KyAdsRotator::show(const KyString& pagePath)
{
    const KyPath path(pagePath);
    m_shownPages.pushBack(path);
    if (!m_set.page(path)) {
        // A page the set does not list was never checked: it is not read.
        logPrint("[KyAds::show] %s is not a page of the advert set: the adverts end\n", path.c_str());
        finish();
        return;
    }
    if (!m_set.isSelfContained()) {
        // Its pages would read what the set's reading did not.
        logPrint("[KyAds::show] the advert set of %s is not whole: the adverts end\n", path.c_str());
        finish();
        return;
    }
    if (path != KyPath(m_preparedPage))
        prepare(path);
    // A page without pictures shows at once.
    if (m_preparedPage.length() == 0 || isPrepared()) {
        display(path);
        return;
    }
    m_waitingPage = path;
    if (m_timer.isPaused())
        m_timer.start();
    m_wait.begin();
    m_pictures.hurry();
    m_wake();
}

void KyAdsRotator::display(const KyString& pagePath)
{
    m_waitingPage = "";
    // The page before goes only now, so that no frame goes without a page.
    hide();
    bool loaded = false;
    if (const KyAdsSet::Page* page = m_set.page(pagePath)) {
        // No file is read here: the page is the text its set's reading
        // checked, and shows what the workers read, made textures listed
        // under their paths.
        KyImgInput::Limit nothing(0, 0);
        loaded = m_page.loadText(page->text, page->path);
    }
    // The page holds its pictures now.
    dropPrepared();
    if (!loaded) {
        goNext();
        return;
    }
    m_currentPage = pagePath;

    struct Control {
        const char* name;
        bool (KyAdsRotator::*listener)();
    };
    static const Control controls[] = {{"buy", &KyAdsRotator::onBuy},
                                       {"next", &KyAdsRotator::onNextButton},
                                       {"skip", &KyAdsRotator::onSkip}};
    bool canMoveOn = false;
    for (const Control& control : controls) {
        KyButton::Signal* clicked = nullptr;
        if (KySpriteButton* spriteButton = m_page.spriteButton(KyString(control.name)))
            clicked = &spriteButton->onClicked();
        else if (KyButton* button = m_page.button(KyString(control.name)))
            clicked = &button->onClicked();
        if (!clicked)
            continue;
        clicked->pushBack(kyNewCallback(this, control.listener, 0.0f));
        canMoveOn = canMoveOn || control.listener != &KyAdsRotator::onBuy;
    }

    u64 duration = 0;
    bool timed = pageDuration(duration);
    if (!timed && !canMoveOn) {
        // Nothing would ever move the run on.
        duration = kDefaultPageDuration;
        timed = true;
    }
    if (timed) {
        m_timer.start();
        m_timer.setAlarmIn(duration);
        m_timer.alarmCallbacks.pushBack(kyNewCallback(this, &KyAdsRotator::onTimer, 0.0f));
    }
    // The next page is read while this one shows.
    if (const KyString* nextPath = m_page.value(KyString("nextPath"))) {
        if (nextPath->length() > 0 && !m_shownPages.contains(KyPath(*nextPath)))
            prepare(*nextPath);
    }
    m_shown.call();
}

void KyAdsRotator::giveUp(u64 waited)
{
    logPrint("[KyAds::show] the pictures of %s were not read within %llu ms: the adverts end\n",
             m_waitingPage.c_str(), static_cast<unsigned long long>(waited / 1000));
    finish();
}

u64 KyAdsRotator::makeNextTexture()
{
    const std::vector<KyAdsPictures::Source>& sources = m_pictures.sources();
    if (m_made >= sources.size())
        return 0;
    const KyAdsPictures::Source& source = sources[m_made];
    std::unique_ptr<KyImgResult> read = m_pictures.take(m_made);
    ++m_made;
    KyResourceManager* resources = KySingleton<KyResourceManager>::instance();
    const KyPath path(source.path);
    // Listed as the page's elements look them up: an image by the path the
    // page gives, a sprite's texture by its file's disk path.
    const KyString textureName = source.diskPath + KyString(".3dtex");
    // A picture that did not read is not drawn.
    if (!read || !resources)
        return 0;
    // One already listed is the one the page will use: a picture the page
    // before shows still has its texture, but an image element of this
    // page needs the image too.
    KyIntrusivePtr<KyImg> image(resources->find<KyImg>(path));
    if (!image) {
        KyImg* made = new KyImg;
        made->setPath(path);
        made->takePicture(read.get());
        resources->add(made);
        image = KyIntrusivePtr<KyImg>(made);
    }
    m_images.push_back(image);
    if (Ky3DTexture* listed = resources->find<Ky3DTexture>(textureName)) {
        m_textures.push_back(KyIntrusivePtr<Ky3DTexture>(listed));
        return 0;
    }
    Ky3DTexture* texture = new Ky3DTexture;
    texture->load(image.get());
    texture->setPath(textureName);
    resources->add(texture);
    m_textures.push_back(KyIntrusivePtr<Ky3DTexture>(texture));
    return u64(image->width()) * image->height();
}

bool KyAdsRotator::onFrame()
{
    // With no thread to be had, the frames read the pictures, one a frame.
    m_pictures.step();
    // Once the page's pictures are read, their textures, at most a largest
    // picture's texels a frame; those that did not read cost nothing.
    if (m_preparedPage.length() > 0 && !isPrepared() && m_pictures.isDone()) {
        if (!m_logged) {
            m_logged = true;
            const std::string log = m_pictures.log();
            if (!log.empty())
                logPrint("%s", log.c_str());
        }
        u64 texels = 0;
        while (!isPrepared() && texels < kTexelsAFrame)
            texels += makeNextTexture();
    }
    const bool waiting = m_waitingPage.length() > 0;
    if (waiting || (m_preparedPage.length() > 0 && !isPrepared()))
        m_wake();
    if (!waiting)
        return false;
    // Last, as both may end the run, whose listener may destroy the rotator.
    if (isPrepared()) {
        const KyString page = m_waitingPage;
        display(page);
    } else if (const u64 bound = m_wait.passed()) {
        giveUp(bound);
    }
    return false;
}

bool KyAdsRotator::pageDuration(u64& microseconds)
{
    const KyString* text = m_page.value(KyString("duration"));
    if (!text)
        return false;
    const char* start = text->c_str();
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(start, &end, 10);
    if (end == start || value < 0 || errno == ERANGE)
        return false;
    microseconds = static_cast<u64>(value);
    return true;
}

void KyAdsRotator::goNext()
{
    // The page after is on its way already (a "next" pressed again).
    if (m_waitingPage.length() > 0)
        return;
    // The value belongs to the page that hide unloads: copy it first.
    KyString nextPath;
    bool hasNext = false;
    if (const KyString* value = m_page.value(KyString("nextPath"))) {
        nextPath = *value;
        hasNext = nextPath.length() > 0;
    }
    if (hasNext && m_shownPages.contains(KyPath(nextPath))) {
        logPrint("[KyAds::goNext] %s was already shown: the adverts end\n", nextPath.c_str());
        hasNext = false;
    }
    if (hasNext) {
        // This page stays on screen until the next one can show.
        endPageTime();
        show(nextPath);
        return;
    }
    finish();
}

void KyAdsRotator::hide()
{
    m_page.unload();
    m_currentPage = "";
    endPageTime();
}

void KyAdsRotator::endRun()
{
    // Nothing more is shown in this run: the pictures read ahead go.
    m_runEnded = true;
    m_waitingPage = "";
    dropPrepared();
}

void KyAdsRotator::endPageTime()
{
    KyCallback0Param<KyAdsRotator> timerListener(this, &KyAdsRotator::onTimer);
    m_timer.alarmCallbacks.removeCallback(&timerListener);
}

bool KyAdsRotator::onBuy()
{
    KyString url;
    if (const KyString* value = m_page.value(KyString("buyURL")))
        url = *value;
    m_buyRequested.call(url);
    return false;
}

bool KyAdsRotator::onNextButton()
{
    goNext();
    return false;
}

bool KyAdsRotator::onSkip()
{
    finish();
    return false;
}

bool KyAdsRotator::onTimer()
{
    goNext();
    return false;
}
