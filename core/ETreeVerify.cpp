// Validation: the path flags from the file system, and the errors, warnings and row facts the
// view and the inspector show.
#include "core/ETree.h"

#include "core/Exclusions.h"
#include "core/PathProbeCache.h"
#include "core/Tools.h"
#include "core/Translate.h"
#include "platform/Services.h"


namespace varnook {

namespace {

constexpr char16_t kElementWrongPath[] = N_(u"Invalid path or you have no access to it");
constexpr char16_t kVariableWrongPath[] = N_(u"Variable contains invalid path or you have no access to it");
constexpr char16_t kTooLong[] = N_(u"Value exceeds length limit of 2047 characters");
constexpr char16_t kExcluded[] = N_(u"Variable is in the exclude list");

// Tests the items of an element's (expanded) text in order and stops at the first wrong one.
// Anything not path-like (network paths, relative or quoted items, unresolved references) is
// never probed.
bool HasWrongItem(platform::IFileSystem& fs, TPathProbeCache& cache, const std::u16string& text, bool split,
                  TPathProbeCache::TUrgency urgency)
{
    // Without ';' or '"' the text is its own single item; splitting would only copy it.
    if (!split || text.find_first_of(u";\"") == std::u16string::npos)
        return IsLocalPath(text) && cache.IsWrong(fs, text, urgency);
    for (const auto& item : SplitValue(text))
        if (IsLocalPath(item) && cache.IsWrong(fs, item, urgency))
            return true;
    return false;
}

} // namespace

TETree::TInputsKey TETree::InputsKey() const
{
    TInputsKey key;
    key.content = fContentVersion;
    key.exclusions = fExclusionsChanges;
    if (resolvingTree && resolvingTree != this) {
        key.resolving = resolvingTree;
        key.resolvingContent = resolvingTree->fContentVersion;
        key.resolvingExclusions = resolvingTree->fExclusionsChanges;
    }
    return key;
}

uint64_t TETree::VerificationInputs() const
{
    // The flags are part of the hash too, but only the passes change them between two versions:
    // what a pass sets is what the next one would find.
    const TInputsKey key = InputsKey();
    if (key == fInputsKey)
        return fInputsHash;
    // FNV-1a over what the flags are computed from: names, kinds, element texts and the
    // exclusion flags of this tree, and what the resolving tree lends to expansions; and over
    // the flags themselves, which nodes made anew (a reload, an undo) bring with them.
    uint64_t hash = 0xcbf29ce484222325ull;
    auto mix = [&hash](uint64_t unit) {
        hash ^= unit;
        hash *= 0x100000001b3ull;
    };
    auto mixText = [&mix](const std::u16string& text) {
        for (char16_t c : text)
            mix(c);
        mix(0x10000); // no code unit: ends the text
    };
    for (const TNode* v = fRoot->first_; v; v = v->next_) {
        const std::u16string& name = GetVariableName(v);
        mixText(name);
        mix(static_cast<uint64_t>(GetVariableType(v)) << 3 | (!exclusions || exclusions->isCheck(name)) << 2 |
            IsSplitName(name) << 1 | v->Data()->GetWrongPath());
        for (const TNode* e = v->first_; e; e = e->next_) {
            mixText(GetElement(e));
            mix(e->Data()->GetWrongPath());
        }
    }
    if (resolvingTree && resolvingTree != this)
        mix(resolvingTree->VerificationInputs());
    fInputsKey = key;
    fInputsHash = hash;
    return hash;
}

// The pass runs five times a second: one silent error mode for all of it rather than a
// switch of the process's mode around every variable and every probe. Rows on screen are probed
// every pass; the probe cache spreads the rest over the following passes.
bool TETree::NothingToVerify(TPathProbeCache::Clock::time_point now)
{
    // With every verdict kept current by folder watches and nothing changed that the flags are
    // computed from, a pass would probe nothing and change nothing. Now and then one runs all
    // the same, for the verdicts the watches cannot keep forever.
    if (!fProbeCache.Watching() || now - fLastFullPass >= kFullPassAnyway ||
        VerificationInputs() != fVerifiedInputs || !fProbeCache.Poll(platform::FileSystem(), now))
        return false;
    std::u16string buffer;
    for (TNode* v = fRoot->first_; v; v = v->next_)
        if (IsUserTree() && GetVariableName(v) == u"HOMEPATH")
            VerifySilently(v, buffer, TPathProbeCache::TUrgency::Rotate);
    return true;
}

void TETree::Verify()
{
    TErrorModeGuard silent;
    const auto now = TPathProbeCache::Clock::now();
    if (NothingToVerify(now))
        return;
    FullPass(now);
    if (fProbeCache.Watching()) {
        fVerifiedInputs = VerificationInputs();
        fLastFullPass = now;
    }
}

// A whole pass over thousands of variables, probing what no watch covers yet, takes longer than
// the window may stay deaf; so each tick walks on from where the last one stopped.
void TETree::VerifyWithin(std::chrono::steady_clock::duration budget)
{
    TErrorModeGuard silent;
    const auto now = TPathProbeCache::Clock::now();
    const auto deadline = now + budget;
    if (!fWalking) {
        if (NothingToVerify(now))
            return;
        fWalking = true;
        fWalkNext = 0;
        fWalkAgain = false;
        fLastFullPass = now;
    } else if (WalkVersion() != fWalkVersion) {
        // Edited between two shares: what was walked already may have been verified on old inputs.
        fWalkAgain = true;
    }
    fProbeCache.BeginPass(now);
    std::unordered_set<const TNode*> inView;
    const bool viewKnows = VariablesInView(inView);
    std::u16string buffer;
    for (TNode* v = fRoot->first_; v; v = v->next_)
        if (!viewKnows || inView.count(v))
            VerifySilently(v, buffer, TPathProbeCache::TUrgency::InView);
    TNode* v = fRoot->first_;
    for (size_t i = 0; v && i < fWalkNext; ++i)
        v = v->next_;
    // At least one variable per share, so that the walk ends whatever the budget.
    for (bool first = true; v || fWalkAgain; first = false) {
        if (!v) {
            fWalkAgain = false;
            fWalkNext = 0;
            v = fRoot->first_;
            if (!v)
                break;
        }
        if (!first && TPathProbeCache::Clock::now() >= deadline) {
            fWalkVersion = WalkVersion();
            return;
        }
        if (viewKnows && !inView.count(v))
            VerifySilently(v, buffer, TPathProbeCache::TUrgency::Rotate);
        v = v->next_;
        ++fWalkNext;
    }
    fWalkVersion = WalkVersion();
    fWalking = false;
    if (fProbeCache.Watching())
        fVerifiedInputs = VerificationInputs();
}

uint64_t TETree::WalkVersion() const
{
    // Both counters only grow, so their sum changes whenever either does.
    return fContentVersion + (resolvingTree && resolvingTree != this ? resolvingTree->fContentVersion : 0);
}

bool TETree::VariablesInView(std::unordered_set<const TNode*>& inView) const
{
    std::vector<const TNode*> shown;
    if (!fObserver || !fObserver->NodesInView(shown))
        return false;
    for (const TNode* node : shown)
        inView.insert(node->Level() == 1 ? node->Parent() : node);
    return true;
}

void TETree::FullPass(TPathProbeCache::Clock::time_point now)
{
    fProbeCache.BeginPass(now);
    std::unordered_set<const TNode*> inView;
    const bool viewKnows = VariablesInView(inView);
    std::u16string buffer;
    for (TNode* v = fRoot->first_; v; v = v->next_)
        VerifySilently(v, buffer, !viewKnows || inView.count(v) ? TPathProbeCache::TUrgency::InView
                                                                : TPathProbeCache::TUrgency::Rotate);
}

void TETree::VerifyVariable(TNode* variable)
{
    TErrorModeGuard silent;
    std::u16string buffer;
    VerifySilently(variable, buffer, TPathProbeCache::TUrgency::Now);
}

void TETree::VerifySilently(TNode* variable, std::u16string& buffer, TPathProbeCache::TUrgency urgency)
{
    platform::IFileSystem& fs = platform::FileSystem();
    const std::u16string& name = GetVariableName(variable);
    // The user's home folder is HOMEDRIVE followed by HOMEPATH; HOMEPATH alone is no path.
    if (IsUserTree() && name == u"HOMEPATH") {
        buffer = GetValueByName(u"HOMEDRIVE") + GetVariableValue(variable);
        UpdateWrongPath(variable, !fs.DirectoryExists(buffer));
        return;
    }
    const bool check = !exclusions || exclusions->isCheck(name);
    const bool split = IsSplitName(name);
    bool anyWrong = false;
    for (TNode* e = variable->first_; e; e = e->next_) {
        const bool wrong = check && HasWrongItem(fs, fProbeCache, ExpandedElement(e, buffer), split, urgency);
        UpdateWrongPath(e, wrong);
        anyWrong = anyWrong || wrong;
    }
    UpdateWrongPath(variable, anyWrong);
}

void TETree::UpdateWrongPath(TNode* node, bool flag)
{
    TNodeData* data = node->Data();
    if (data->GetWrongPath() == flag)
        return;
    data->SetWrongPath(flag);
    InvalidateNode(node);
}

size_t TETree::GetVariableValueLength(const TNode* variable)
{
    size_t length = variable->childCount_ ? variable->childCount_ - 1 : 0;
    for (const TNode* e = variable->first_; e; e = e->next_)
        length += e->ElemData()->GetElement().size();
    return length;
}

std::vector<std::u16string> TETree::GetNodeErrors(const TNode* node) const
{
    std::vector<std::u16string> errors;
    if (!node || node->Level() < 0)
        return errors;
    const bool variable = node->Level() == 0;
    if (node->Data()->GetWrongPath())
        errors.push_back(gettext(variable ? kVariableWrongPath : kElementWrongPath));
    // The store's limit is on the whole raw value, separators included, references unexpanded.
    if (variable && GetVariableValueLength(node) > kMaxValueLength)
        errors.push_back(gettext(kTooLong));
    return errors;
}

std::vector<std::u16string> TETree::GetNodeWarnings(const TNode* node) const
{
    std::vector<std::u16string> warnings;
    if (IsVariable(node) && exclusions && exclusions->ContainsKey(GetVariableName(node)))
        warnings.push_back(gettext(kExcluded));
    return warnings;
}

int TETree::GetImage(const TNode* node)
{
    const TNode* variable = node->Level() == 1 ? node->Parent() : node;
    return VariableImage(GetVariableType(variable), GetVariableReadOnly(variable));
}

TRowFacts TETree::GetRowFacts(const TNode* node) const
{
    TRowFacts row;
    if (!node || node->Level() < 0)
        return row;
    const TNode* variable = node->Level() == 1 ? node->Parent() : node;
    row.isVariable = variable == node;
    row.kind = GetVariableType(variable);
    row.readOnly = GetVariableReadOnly(variable);
    row.wrongPath = node->Data()->GetWrongPath();
    if (row.isVariable) {
        row.tooLong = GetVariableValueLength(node) > kMaxValueLength;
        row.excluded = exclusions && exclusions->ContainsKey(GetVariableName(node));
    }
    return row;
}

std::u16string TETree::GetHint(const TNode* node) const
{
    return HintText(GetNodeErrors(node), GetNodeWarnings(node));
}

} // namespace varnook
