#pragma once
// A button that toggles a check mark on each click and can be bound to a bool setting: a click
// flips the setting too, and a change of the setting from elsewhere moves the mark silently.
#include "engine/core/ZProperty.h"
#include "engine/ui/ZButton2D.h"

class ZCheckBox2D;

class ICheckBoxListener
{
public:
    virtual ~ICheckBoxListener() = default;
    virtual void OnCheckBoxChanged(bool ticked, ZCheckBox2D* checkBox) { (void)ticked, (void)checkBox; }
};

class ZCheckBox2D : public ZButton2D,
                    public IButtonListener,
                    public IPropertyListener,
                    public ZEventProducer<ICheckBoxListener>
{
    QV_TYPE_RECORD(ZCheckBox2D, &ZButton2D::kTypeRecord)

public:
    // Listens to its own button events.
    ZCheckBox2D();
    ~ZCheckBox2D() override;

    static ZCheckBox2D* Create() { return new ZCheckBox2D(); }
    using ZNode::Release;
    using ZEventProducer<IButtonListener>::AddListener;
    using ZEventProducer<IButtonListener>::RemoveListener;
    using ZEventProducer<ICheckBoxListener>::AddListener;
    using ZEventProducer<ICheckBoxListener>::RemoveListener;

    ZSerializerBase* GetSerializer() const override;
    // "checkmark" (a child's name) and "bind_to" (a bool setting's name); then the button's.
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    void OnLoaded() override;

    // Takes the setting's value and follows it; null unbinds.
    void Bind(ZPropertyBool* setting);
    // From code: the mark follows; no event, and a bound setting is not written.
    void SetTicked(bool ticked);
    void SetCheckMark(ZNode* node);

    // IButtonListener: its own click toggles.
    void OnClicked(ZButton2D* button) override;
    // IPropertyListener: the bound setting changed.
    void OnPropertyChanged(ZProperty* property) override;

    bool IsTicked() const { return m_ticked; }
    ZNode* GetCheckMark() const { return m_checkMark; }
    ZPropertyBool* GetBoundSetting() const { return m_setting; }

private:
    void ShowMark();

    ZNode* m_checkMark = nullptr;
    bool m_ticked = false;
    ZPropertyBool* m_setting = nullptr;
    std::string m_pendingMark;
};
