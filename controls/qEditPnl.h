// The labelled control panel: a caption area beside one input control, whose text the panel
// exposes and keeps between runs.
#pragma once

#include <memory>
#include <string>

#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"
#include "settings/qIniSave.h"

namespace penvo {

class TCtrlPanel : public TPanel {
 public:
  explicit TCtrlPanel(TComponent* AOwner);
  ~TCtrlPanel() override;
  std::string ClassName() const override { return "TCtrlPanel"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  TIniSave& Ini() const { return *FIni; }
  // The input control's text (as every control has one).
  virtual std::string GetAsString() const;
  virtual void SetAsString(const std::string& Value);
  // The input control's published "Text".
  virtual std::string GetPanelText() const;
  virtual void SetPanelText(const std::string& Value);
  virtual int LabelWidth() const;
  virtual void SetLabelWidth(int Value);
  TAlign LAlign() const;
  void SetLAlign(TAlign Value);
  TAlignment LAlignment() const;
  void SetLAlignment(TAlignment Value);
  int LabelHeight() const { return FLabelHeight; }
  void SetLabelHeight(int Value);
  virtual std::string GetCaption() const;
  virtual void SetCaption(const std::string& Value);
  // Clicks on the caption area.
  void SetOnClick(TNotifyEvent Handler);

  TControl* InnerControl() const { return FInnerControl; }
  TPanel* CaptionPanel() const { return FCaptionPanel; }
  TLabel* AccelLabel() const { return FAccelLabel; }

  // The input control: the first windowed control placed here after the caption area.
  virtual TControl* FindInnerControl();
  // Makes the input control the panel's own: focus target of the caption's accelerator, filling
  // the room beside the caption, named after the panel.
  virtual void AdoptInnerControl();
  virtual void UpdateAccelLabel();
  virtual void MakeInnerControl();
  virtual void EnsureInnerControl();

  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetName(const std::string& NewName) override;
  void Destroy() override;

 protected:
  // The input control a subclass always wants; none here.
  virtual TControl* CreateInnerControl() { return nullptr; }
  void DestroyWnd() override;

 private:
  void SetInnerControl(TControl* Control);

  TControl* FInnerControl = nullptr;
  std::unique_ptr<TIniSave> FIni;
  TPanel* FCaptionPanel = nullptr;
  TLabel* FAccelLabel = nullptr;
  int FLabelHeight = 18;
};

}  // namespace penvo
