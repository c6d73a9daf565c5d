#include "engine/controllers/ZControllerBase.h"

int32_t g_controllersAlive = 0;
int32_t g_controllersActive = 0;

ZControllerBase::ZControllerBase()
{
    ++g_controllersAlive;
    // Born inactive without passing through OnDeactivate, so the active count stays as it was.
    const uint32_t old = GetFlags();
    SetFlagWord(0);
    NotifyFlagsChanged(0, old);
}

ZControllerBase::~ZControllerBase()
{
    --g_controllersAlive;
    if (IsActive())
        --g_controllersActive;
}

void ZControllerBase::OnActivate()
{
    ++g_controllersActive;
}

void ZControllerBase::OnDeactivate()
{
    --g_controllersActive;
}

void ZControllerBase::CopySettingsFrom(ZControllerBase* other)
{
    if (other)
        SetActive(other->IsActive());
}

ZControllerNodeBase::ZControllerNodeBase(ZNode* target)
{
    m_target = target;
    if (target)
    {
        Watch(target);
        target->AddChild(this);
    }
}

ZControllerNodeBase::~ZControllerNodeBase()
{
    // A controller that dies before its target must not be told of the target later.
    if (m_target)
        m_target->RemoveStateListener(this);
    m_target = nullptr;
}

void ZControllerNodeBase::Watch(ZNode* node)
{
    if (m_target == node && node)
    {
        node->AddStateListener(this);
        return;
    }
    if (m_target)
        m_target->RemoveStateListener(this);
    if (node)
        node->AddStateListener(this);
}

void ZControllerNodeBase::CopySettingsFrom(ZControllerBase* other)
{
    ZControllerBase::CopySettingsFrom(other);
    if (auto* node = ZEntityCast<ZControllerNodeBase>(other))
    {
        Watch(node->m_target);
        m_target = node->m_target;
    }
}

void ZControllerNodeBase::SetTarget(ZNode* node)
{
    Watch(node);
    m_target = node;
    OnTargetSet(node);
    if (node)
        node->AddChild(this);
}

void ZControllerNodeBase::NodeGone(ZNode* node)
{
    if (node == m_target)
        m_target = nullptr;
}

void ZTransientController::Start()
{
    m_finished = false;
    FireStarted();
}

void ZTransientController::CopyFinishedFrom(ZTransientController* other)
{
    if (other)
        m_finished = other->m_finished;
}

void ZTransientController::FireStarted()
{
    ZEventProducer<ZTransientListener>::Deliver([this](ZTransientListener* l) { l->Started(this); });
}

void ZTransientController::FireEnded()
{
    m_finished = true;
    ZEventProducer<ZTransientListener>::Deliver([this](ZTransientListener* l) { l->Ended(this); });
}
