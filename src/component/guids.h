// The fixed identifiers of everything the component registers. The player
// stores them with its configuration, so they never change between
// versions.
#ifndef VOSTREL_COMPONENT_GUIDS_H_
#define VOSTREL_COMPONENT_GUIDS_H_

#include <string_view>

namespace component::guids {

inline constexpr std::string_view kTreePanel = "eb158044-21b1-46cb-846a-7d7ca91b7838";
inline constexpr std::string_view kLibraryViewer = "3bb00d68-a1ae-478f-8442-467c2fbc8235";
inline constexpr std::string_view kPreferencesBranch = "1ee087bb-e178-4e41-bd09-c67b5d2facc2";
inline constexpr std::string_view kLibraryTablePage = "f53be14a-303a-4b5b-be4a-a476d9c91515";
inline constexpr std::string_view kPlaylistTablePage = "9df8017e-18bd-40f0-b824-be1cd9ae4679";
inline constexpr std::string_view kConsoleCommand = "45984c30-da38-45b9-9a98-c33ce4115770";

inline constexpr std::string_view kAdvancedBranch = "01f9d427-4f45-4499-a606-f12d2df5455a";
inline constexpr std::string_view kShowExecutionTime = "ff22ab4c-65a0-4bd2-9e1b-e7f60893d9fe";
inline constexpr std::string_view kOverallNodeLimit = "dd3af45a-32a3-45f4-a374-37b96e80eb92";
inline constexpr std::string_view kConsoleRowLimit = "150be5b6-b4af-41a6-b13e-5da0db39e2af";
inline constexpr std::string_view kProcessingPriority = "d30efd0b-eae0-44f2-abc7-fb1dfd6ebb6a";
inline constexpr std::string_view kIconFilePaths = "3906373f-4b3c-4503-a7b3-89dd6d34648a";

inline constexpr std::string_view kPriorityDefault = "a79eda5b-e864-486b-ab8a-b43f47ffefb0";
inline constexpr std::string_view kPriorityIdle = "0cfcf951-9b66-44ce-bd1e-a714e53d5c56";
inline constexpr std::string_view kPriorityBelowNormal = "ddecc290-58ad-46db-b8d0-cd68037a1de9";
inline constexpr std::string_view kPriorityNormal = "706dbc97-06ff-4166-96a3-3e01009cd7c1";
inline constexpr std::string_view kPriorityAboveNormal = "b06d4c58-93a0-4418-b957-4092d2b89052";
inline constexpr std::string_view kPriorityHigh = "5ea215db-eb55-4ff4-845e-d72e2e806673";
inline constexpr std::string_view kPriorityRealtime = "9b4aaf90-4884-4de5-8d47-db84cb7f010a";

}  // namespace component::guids

#endif  // VOSTREL_COMPONENT_GUIDS_H_
