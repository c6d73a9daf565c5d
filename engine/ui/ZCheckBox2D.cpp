#include "engine/ui/ZCheckBox2D.h"

#include "engine/core/ZPropertyManager.h"

namespace
{
ZSerializerRTTI<ZCheckBox2D> s_checkBox2DSerializer;

constexpr ZNameId kCheckMark{"checkmark"};
constexpr ZNameId kBindTo{"bind_to"};
} // namespace

ZCheckBox2D::ZCheckBox2D()
{
    ZEventProducer<IButtonListener>::AddListener(this);
}

ZCheckBox2D::~ZCheckBox2D()
{
    Bind(nullptr);
}

ZSerializerBase* ZCheckBox2D::GetSerializer() const
{
    return &s_checkBox2DSerializer;
}

bool ZCheckBox2D::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (id == kCheckMark.Value())
    {
        ZNode* node = PartNode(value);
        SetCheckMark(node);
        if (!node && value && !SerializedChild<ZEntity>(value))
            m_pendingMark = value;
        return true;
    }
    if (id == kBindTo.Value())
    {
        ZPropertyManager* settings = ZPropertyManager::PeekInstance();
        ZPropertyBool* setting = settings && value ? settings->FindTyped<bool>(value) : nullptr;
        if (setting)
            Bind(setting);
        return true;
    }
    return ZButton2D::SetProperty(id, name, value);
}

void ZCheckBox2D::OnLoaded()
{
    ZButton2D::OnLoaded();
    if (!m_pendingMark.empty())
    {
        ZNode* node = FindNode(m_pendingMark.c_str());
        m_pendingMark.clear();
        if (node)
            SetCheckMark(node);
    }
}

void ZCheckBox2D::SetCheckMark(ZNode* node)
{
    m_pendingMark.clear();
    m_checkMark = node;
    ShowMark();
}

void ZCheckBox2D::ShowMark()
{
    if (m_checkMark)
        m_checkMark->SetHidden(!m_ticked);
}

void ZCheckBox2D::Bind(ZPropertyBool* setting)
{
    if (m_setting)
        m_setting->RemoveListener(this);
    m_setting = setting;
    if (!setting)
        return;
    m_ticked = setting->GetValue();
    ShowMark();
    setting->AddListener(this);
}

void ZCheckBox2D::SetTicked(bool ticked)
{
    m_ticked = ticked;
    ShowMark();
}

void ZCheckBox2D::OnClicked(ZButton2D* button)
{
    if (button != this)
        return;
    m_ticked = !m_ticked;
    ShowMark();
    const bool ticked = m_ticked;
    ZEventProducer<ICheckBoxListener>::Deliver([this, ticked](ICheckBoxListener* l)
                                               { l->OnCheckBoxChanged(ticked, this); });
    // The setting notifies its listeners, this box among them; the value it reports is the same.
    if (m_setting)
        m_setting->SetValue(ticked);
}

void ZCheckBox2D::OnPropertyChanged(ZProperty* property)
{
    if (property != m_setting || !m_setting)
        return;
    m_ticked = m_setting->GetValue();
    ShowMark();
}
